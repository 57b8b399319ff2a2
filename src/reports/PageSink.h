#pragma once

class TCanvas;

// Where reports draw: the canvas of the page being drawn and the means to start the next one.
// The preview pane implements it; a report never keeps a canvas across NewPage.
class TPageSink
{
public:
    virtual ~TPageSink() = default;
    virtual TCanvas& PageCanvas() = 0;
    virtual void NewPage() = 0;
};
