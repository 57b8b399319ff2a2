#pragma once

#include "reports/Canvas.h"
#include "reports/Print.h"

#include <memory>
#include <vector>

// The fake printer's values: 600 dots per inch, physical offsets of 100 dots.
inline void UseFakeDevice(int dpiX = 600, int dpiY = 600, int offset = 100)
{
    SetPrintDevice([=] { return TPrintDeviceCaps{dpiX, dpiY, offset, offset}; });
}

// A page canvas with exact metrics: a character h dots high is h wide (h/2 up to U+00FF).
inline std::unique_ptr<TRecordingCanvas> FixedCanvas(int dpiX = 600, int dpiY = 600)
{
    return std::make_unique<TRecordingCanvas>(QSize(4760, 6816), dpiX, dpiY,
                                              std::make_shared<TFixedTextMetrics>());
}

inline std::vector<TDrawOp> OpsOf(const TRecordingCanvas& c, TDrawOp::Kind kind)
{
    std::vector<TDrawOp> out;
    for (const TDrawOp& op : c.Page().Ops())
        if (op.kind == kind)
            out.push_back(op);
    return out;
}
