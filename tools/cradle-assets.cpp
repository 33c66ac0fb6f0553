// cradle-assets OUTDIR: writes the embedded assets for people and scripts to look at.
//   texture1.raw … texture5.raw  each image's bytes in stored order (the row at t = 0 first)
//   texture1.png … texture5.png  the same images upright (t = 0 at the bottom), alpha as grey
//   post.csv, rail.csv, lug.csv  one row per vertex, every stored float with %.9g
// Exits 0, or 1 with a message when it cannot write.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include "assets/assets.h"
#include "frontend/pngfile.h"

namespace {

struct Output {
    std::string directory;
    bool failed;
};

FILE* openOutput(Output& output, const char* name) {
    std::string path = output.directory + "/" + name;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "cradle-assets: cannot write %s\n", path.c_str());
        output.failed = true;
    }
    return file;
}

void closeOutput(Output& output, FILE* file, const char* name) {
    bool bad = std::ferror(file) != 0;
    if (std::fclose(file) != 0 || bad) {
        std::fprintf(stderr, "cradle-assets: cannot finish %s/%s\n", output.directory.c_str(),
                     name);
        output.failed = true;
    }
}

void writeFile(Output& output, const char* name, const uint8_t* bytes, size_t count) {
    FILE* file = openOutput(output, name);
    if (!file) {
        return;
    }
    std::fwrite(bytes, 1, count, file);
    closeOutput(output, file, name);
}

void writeTextures(Output& output) {
    for (int name = 1; name <= textureCount; ++name) {
        TextureView image = embeddedTexture(name);
        int channels = image.format == TexelFormat::rgb ? 3 : 1;
        char fileName[32];
        std::snprintf(fileName, sizeof fileName, "texture%d.raw", name);
        writeFile(output, fileName, image.texels,
                  static_cast<size_t>(image.width) * image.height * channels);
        std::snprintf(fileName, sizeof fileName, "texture%d.png", name);
        const std::string path = output.directory + "/" + fileName;
        if (!writePng(path.c_str(), image.texels, image.width, image.height, channels)) {
            std::fprintf(stderr, "cradle-assets: cannot write %s\n", path.c_str());
            output.failed = true;
        }
    }
}

// One CSV row per record of `fields` floats.
void writeCsv(Output& output, const char* name, const char* header, const MeshView& mesh,
              int fields) {
    FILE* file = openOutput(output, name);
    if (!file) {
        return;
    }
    std::fprintf(file, "%s\n", header);
    const uint8_t* record = static_cast<const uint8_t*>(mesh.records);
    for (int i = 0; i < mesh.count; ++i, record += mesh.stride) {
        for (int f = 0; f < fields; ++f) {
            float value;
            std::memcpy(&value, record + 4 * f, sizeof value);
            std::fprintf(file, "%.9g%c", value, f + 1 < fields ? ',' : '\n');
        }
    }
    closeOutput(output, file, name);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: cradle-assets OUTDIR\n");
        return 2;
    }
    Output output{argv[1], false};
    std::error_code error;
    std::filesystem::create_directories(output.directory, error);
    if (error) {
        std::fprintf(stderr, "cradle-assets: cannot create %s: %s\n", argv[1],
                     error.message().c_str());
        return 1;
    }
    writeTextures(output);
    writeCsv(output, "post.csv", "nx,ny,nz,s,t,x,y,z", postMesh(), 8);
    writeCsv(output, "rail.csv", "nx,ny,nz,s,t,x,y,z", railMesh(), 8);
    writeCsv(output, "lug.csv", "x,y,z", lugMesh(), 3);
    return output.failed ? 1 : 0;
}
