// The saver window's pixel format: multisampled where the driver offers it, else the one the
// saver has always asked for.
#pragma once
#include <windows.h>
#include <cstdint>

// What the next choice asks for, and what it got. One process-wide record.
struct PixelFormatChoice {
    int32_t samples;      // samples per pixel asked for at most; below 2 none
    bool evenInSoftware;  // ask a software rasteriser too (tools that draw test pictures)
    int32_t samplesGiven; // of the format chosen last; 0 for the single-sampled one
};
extern PixelFormatChoice pixelFormatChoice; // {preferredSamples, false, 0} at process start

// A multisampled format for the device context (double-buffered RGBA with depth, as
// saverPixelFormat) with the most samples up to the number asked for; where the extension,
// such a format or the context to ask through is missing or fails, exactly what
// ChoosePixelFormat gives for saverPixelFormat. 0 only when that fails too.
int chooseSaverPixelFormat(HDC deviceContext);
