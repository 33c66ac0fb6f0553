// embed-assets OUTPUT.cpp: runs the generators on the build machine and writes their results
// as the constant arrays of assets/embedded.h, so the program does no work for them at start.
#include <cstdio>
#include <cstring>
#include <vector>
#include "assets/generate.h"

namespace {

// A float literal that the compiler turns back into exactly the stored single: the tables hold
// six significant digits, and %.6g of such a float prints those digits.
void writeFloat(FILE* file, float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    if (value == 0.0f) {
        std::strcpy(text, "0"); // no -0
    }
    bool hasPoint = std::strpbrk(text, ".en") != nullptr;
    std::fprintf(file, "%s%sf", text, hasPoint ? "" : ".0");
}

void writeStand(FILE* file, const char* name, const StandVertex* records, int count) {
    std::fprintf(file, "const StandVertex %s[%d] = {\n", name, count);
    for (int i = 0; i < count; ++i) {
        const float fields[8] = {records[i].nx, records[i].ny, records[i].nz, records[i].s,
                                 records[i].t,  records[i].x,  records[i].y,  records[i].z};
        std::fputs("    {", file);
        for (int f = 0; f < 8; ++f) {
            writeFloat(file, fields[f]);
            std::fputs(f < 7 ? ", " : "},\n", file);
        }
    }
    std::fputs("};\n\n", file);
}

void writeLug(FILE* file) {
    float positions[lugVertexCount * 3];
    buildLugMesh(positions);
    std::fprintf(file, "const float embeddedLug[%d] = {\n", lugVertexCount * 3);
    for (int i = 0; i < lugVertexCount; ++i) {
        std::fputs("    ", file);
        for (int c = 0; c < 3; ++c) {
            writeFloat(file, positions[3 * i + c]);
            std::fputs(c < 2 ? ", " : ",\n", file);
        }
    }
    std::fputs("};\n\n", file);
}

// Texture `name` as embeddedTextureN, then the table of all of them by name - 1.
void writeTextures(FILE* file) {
    for (int name = 1; name <= textureCount; ++name) {
        const int bytes = textureBytes(name);
        std::vector<uint8_t> texels(bytes);
        buildTexture(name, texels.data());
        std::fprintf(file, "static const uint8_t embeddedTexture%d[%d] = {\n", name, bytes);
        for (int i = 0; i < bytes; ++i) {
            std::fprintf(file, "%s0x%02x,%s", i % 16 == 0 ? "    " : "", texels[i],
                         i % 16 == 15 ? "\n" : "");
        }
        std::fputs("};\n\n", file);
    }
    std::fputs("const uint8_t* const embeddedTexels[textureCount] = {\n", file);
    for (int name = 1; name <= textureCount; ++name)
        std::fprintf(file, "    embeddedTexture%d,\n", name);
    std::fputs("};\n", file);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: embed-assets OUTPUT.cpp\n");
        return 2;
    }
    FILE* file = std::fopen(argv[1], "w");
    if (!file) {
        std::fprintf(stderr, "embed-assets: cannot write %s\n", argv[1]);
        return 1;
    }
    std::fputs("// Written by embed-assets from the generators in assets/. Do not edit.\n"
               "#include \"assets/embedded.h\"\n\n",
               file);
    StandVertex post[postVertexCount];
    StandVertex rail[railVertexCount];
    buildPostMesh(post);
    buildRailMesh(rail);
    writeStand(file, "embeddedPost", post, postVertexCount);
    writeStand(file, "embeddedRail", rail, railVertexCount);
    writeLug(file);
    writeTextures(file);
    if (std::fclose(file) != 0) {
        std::fprintf(stderr, "embed-assets: cannot finish %s\n", argv[1]);
        return 1;
    }
    return 0;
}
