#pragma once

#include <array>

class TCanvas;

// Draws solid, dotted, dashed and dash-dot lines dot by dot, so that a wide printer pen keeps
// its pattern. Everything is in dots. Use: set Canvas, SetWidth, SetStyle, MoveTo, LineTo...
class TStyleLine
{
public:
    TStyleLine() = default;

    std::array<int, 101> Segments{0, 20, 20}; // 1-based; odd entries drawn, even ones skipped
    int CycleLength = 40;
    int CurrentSegment = 1;
    int SegmentPos = 1;
    int SegmentCount = 2;
    unsigned char Style = 0;
    int Width = 1;
    TCanvas* Canvas = nullptr;

    // 1 solid, 2 dotted, 3 dashed, 4 dash-dot, 5 dash-dot-dot; other codes keep the pattern.
    void SetStyle(unsigned char code);
    void SetWidth(int dots);
    void MoveTo(int x, int y);
    // Continues the pattern where the previous LineTo left it.
    void LineTo(int x, int y);
};
