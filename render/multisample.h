// Multisampled drawing, for both front ends: how many samples they ask for and on which
// renderers they leave it off.
#pragma once
#include <cstdint>

// Samples per pixel asked for where the renderer can afford them; a driver that has not that
// many gives the most it has below.
constexpr int32_t preferredSamples = 4;

// Whether a GL_RENDERER string names a software rasteriser (Windows' own, Mesa's llvmpipe and
// softpipe, SwiftShader): there every sample is paid for by the processor.
bool softwareRenderer(const char* renderer);
