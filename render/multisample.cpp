// Which renderers draw without samples.
#include "render/multisample.h"

#include <cstring>

bool softwareRenderer(const char* renderer) {
    if (renderer == nullptr)
        return false;
    const char* const software[] = {"GDI Generic", "llvmpipe", "softpipe", "SwiftShader"};
    for (const char* name : software)
        if (std::strstr(renderer, name) != nullptr)
            return true;
    return false;
}
