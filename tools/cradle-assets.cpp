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
#include <vector>
#include "assets/assets.h"

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

// A minimal PNG encoder: 8-bit grey or RGB, deflate in stored blocks.

uint32_t crc32(const uint8_t* bytes, size_t count, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < count; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void putBig32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void putChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    putBig32(out, static_cast<uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBig32(out, crc32(out.data() + start, out.size() - start));
}

// zlib stream of stored deflate blocks, at most 65535 bytes each.
std::vector<uint8_t> zlibStored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> out = {0x78, 0x01};
    size_t at = 0;
    do {
        size_t length = raw.size() - at < 65535 ? raw.size() - at : 65535;
        bool last = at + length == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<uint8_t>(length));
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(~length));
        out.push_back(static_cast<uint8_t>(~length >> 8));
        out.insert(out.end(), raw.begin() + at, raw.begin() + at + length);
        at += length;
    } while (at < raw.size());
    uint32_t a = 1, b = 0; // adler32
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBig32(out, (b << 16) | a);
    return out;
}

std::vector<uint8_t> encodePng(const TextureView& image) {
    int channels = image.format == TexelFormat::rgb ? 3 : 1;
    size_t rowBytes = static_cast<size_t>(image.width) * channels;
    std::vector<uint8_t> raw;
    for (int row = image.height - 1; row >= 0; --row) { // PNG runs top down
        raw.push_back(0);                               // filter: none
        const uint8_t* start = image.texels + row * rowBytes;
        raw.insert(raw.end(), start, start + rowBytes);
    }
    std::vector<uint8_t> header;
    putBig32(header, static_cast<uint32_t>(image.width));
    putBig32(header, static_cast<uint32_t>(image.height));
    header.push_back(8);                     // bits per sample
    header.push_back(channels == 3 ? 2 : 0); // colour type: RGB or grey
    header.push_back(0);                     // deflate
    header.push_back(0);                     // adaptive filtering
    header.push_back(0);                     // no interlace
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlibStored(raw));
    putChunk(png, "IEND", {});
    return png;
}

void writeTextures(Output& output) {
    for (int name = 1; name <= textureCount; ++name) {
        TextureView image = embeddedTexture(name);
        int channels = image.format == TexelFormat::rgb ? 3 : 1;
        char fileName[32];
        std::snprintf(fileName, sizeof fileName, "texture%d.raw", name);
        writeFile(output, fileName, image.texels,
                  static_cast<size_t>(image.width) * image.height * channels);
        std::vector<uint8_t> png = encodePng(image);
        std::snprintf(fileName, sizeof fileName, "texture%d.png", name);
        writeFile(output, fileName, png.data(), png.size());
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
