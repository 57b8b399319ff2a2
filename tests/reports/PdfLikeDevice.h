#pragma once

#include <QColor>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPen>
#include <vector>

// A paint device whose engine says it writes PDF and keeps what it is asked to draw: each
// point with the pen it was drawn with, each call's lines with theirs, and how many shapes
// there were (a call's lines are one).
class TPdfLikeDevice : public QPaintDevice
{
public:
    struct Point
    {
        QPointF at;
        QColor colour;
        double width;
    };

    struct Lines
    {
        QColor colour;
        int count;
    };

    std::vector<Point> points;
    std::vector<Lines> lines;
    int paths = 0;

    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
        case PdmHeight:
            return 2000;
        case PdmWidthMM:
        case PdmHeightMM:
            return 85;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 600;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(QPaintDevice::devicePixelRatioFScale());
        default:
            return 0;
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        // Every feature, as a PDF writer has them: the painter hands over lines and points as
        // it was asked to draw them, not one emulated shape at a time.
        explicit Engine(TPdfLikeDevice& device)
            : QPaintEngine(QPaintEngine::AllFeatures), m_device(device)
        {
        }
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        Type type() const override { return QPaintEngine::Pdf; }
        void updateState(const QPaintEngineState& state) override
        {
            if (state.state() & QPaintEngine::DirtyPen)
                m_pen = state.pen();
        }
        void drawPoints(const QPointF* points, int count) override
        {
            for (int i = 0; i < count; ++i)
                m_device.points.push_back({points[i], m_pen.color(), m_pen.widthF()});
        }
        void drawLines(const QLineF*, int count) override
        {
            m_device.lines.push_back({m_pen.color(), count});
            ++m_device.paths;
        }
        void drawPath(const QPainterPath&) override { ++m_device.paths; }
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override { ++m_device.paths; }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}

    private:
        TPdfLikeDevice& m_device;
        QPen m_pen;
    };
    mutable Engine m_engine{*this};
};
