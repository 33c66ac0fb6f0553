// The resources inside the built saver, read back the way Windows reads them: dialog 2003
// control by control, the ten pattern pictures, icon group 109, string 1, the version record.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string saverPath() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1) + "..\\..\\clackmoor.scr";
}

// The saver loaded as data only: nothing of it runs. Loaded once for all the cases.
class SaverResources : public ::testing::Test {
  public:
    static HMODULE module;
    static void SetUpTestSuite() {
        module = LoadLibraryExA(saverPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    void SetUp() override { ASSERT_NE(module, nullptr) << saverPath(); }
};
HMODULE SaverResources::module = nullptr;

const unsigned char* resourceData(LPCSTR type, int id, DWORD* size = nullptr) {
    HRSRC r = FindResourceA(SaverResources::module, MAKEINTRESOURCEA(id), type);
    if (!r)
        return nullptr;
    if (size)
        *size = SizeofResource(SaverResources::module, r);
    return static_cast<const unsigned char*>(LockResource(LoadResource(SaverResources::module, r)));
}

// A little-endian reader over a resource.
struct Reader {
    const unsigned char* p;
    uint16_t word() {
        uint16_t v;
        std::memcpy(&v, p, 2);
        p += 2;
        return v;
    }
    uint32_t dword() {
        uint32_t v;
        std::memcpy(&v, p, 4);
        p += 4;
        return v;
    }
    // A name or ordinal: "#n" for an ordinal, else the UTF-16 text (ASCII here).
    std::string nameOrOrdinal() {
        uint16_t first = word();
        if (first == 0xFFFF)
            return "#" + std::to_string(word());
        std::string text;
        for (uint16_t c = first; c; c = word())
            text += char(c);
        return text;
    }
    void alignDword(const unsigned char* base) {
        while ((p - base) % 4)
            ++p;
    }
};

struct ControlRow {
    const char* className; // "#128" button, "#130" static
    const char* text;
    int id;
    DWORD style; // besides WS_CHILD | WS_VISIBLE
    short x, y, cx, cy;
};

const ControlRow expectedControls[31] = {
    {"#128", "OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 20, 216, 50, 14},
    {"#130", "Clackmoor 1.0 - a ball cradle screen saver", 0xFFFF, SS_CENTER, 5, 10, 160, 8},
    {"#128", "", 0xFFFF, BS_GROUPBOX, 3, 0, 165, 40},
    {"#128", "", 1012, BS_AUTOCHECKBOX | WS_TABSTOP, 20, 60, 8, 10},
    {"#128", "", 1013, BS_AUTOCHECKBOX | WS_TABSTOP, 20, 80, 8, 10},
    {"#128", "", 1014, BS_AUTOCHECKBOX | WS_TABSTOP, 20, 100, 8, 10},
    {"#128", "", 1015, BS_AUTOCHECKBOX | WS_TABSTOP, 20, 120, 8, 10},
    {"#128", "", 1016, BS_AUTOCHECKBOX | WS_TABSTOP, 20, 140, 8, 10},
    {"#128", "", 1017, BS_AUTOCHECKBOX | WS_TABSTOP, 105, 60, 8, 10},
    {"#128", "", 1018, BS_AUTOCHECKBOX | WS_TABSTOP, 104, 80, 8, 10},
    {"#128", "", 1019, BS_AUTOCHECKBOX | WS_TABSTOP, 104, 100, 8, 10},
    {"#128", "", 1020, BS_AUTOCHECKBOX | WS_TABSTOP, 104, 120, 8, 10},
    {"#128", "", 1021, BS_AUTOCHECKBOX | WS_TABSTOP, 104, 140, 8, 10},
    {"#128", "Cancel", IDCANCEL, BS_DEFPUSHBUTTON | WS_TABSTOP, 100, 216, 50, 14},
    {"#130", "clackmoor.example/saver", 0xFFFF, SS_CENTER, 15, 25, 135, 8},
    {"#128", "Acceptable Patterns", 0xFFFF, BS_GROUPBOX, 8, 45, 156, 111},
    {"#130", "#117", 0xFFFF, SS_BITMAP, 36, 96, 32, 16},
    {"#130", "#124", 0xFFFF, SS_BITMAP, 36, 116, 32, 16},
    {"#130", "#120", 0xFFFF, SS_BITMAP, 36, 56, 32, 16},
    {"#130", "#125", 0xFFFF, SS_BITMAP, 36, 136, 32, 16},
    {"#130", "#119", 0xFFFF, SS_BITMAP, 36, 76, 32, 16},
    {"#130", "#123", 0xFFFF, SS_BITMAP, 120, 56, 32, 16},
    {"#130", "#121", 0xFFFF, SS_BITMAP, 120, 75, 32, 16},
    {"#130", "#122", 0xFFFF, SS_BITMAP, 120, 96, 32, 16},
    {"#130", "#118", 0xFFFF, SS_BITMAP, 120, 116, 32, 16},
    {"#130", "#126", 0xFFFF, SS_BITMAP, 120, 136, 32, 16},
    {"#128", "Always", 1023, BS_AUTORADIOBUTTON | WS_GROUP, 24, 172, 32, 8},
    {"#128", "Sometimes", 1024, BS_AUTORADIOBUTTON, 68, 172, 44, 8},
    {"#128", "Never", 1025, BS_AUTORADIOBUTTON, 120, 172, 32, 8},
    {"#128", "Touching", 0xFFFF, BS_GROUPBOX | WS_GROUP, 8, 160, 156, 24},
    {"#128", "ATI card compatibility mode", 1026, BS_AUTOCHECKBOX | WS_TABSTOP, 24, 192, 96, 12},
};

struct Control {
    ControlRow row;
    std::string className, text;
};

std::vector<Control> readDialog(DWORD& style, short frame[4], std::string& caption,
                                std::string& font, int& pointSize) {
    std::vector<Control> controls;
    const unsigned char* base = resourceData(RT_DIALOG, 2003);
    if (!base)
        return controls;
    Reader r{base};
    style = r.dword();
    r.dword(); // extended style
    const int count = r.word();
    for (int i = 0; i < 4; ++i)
        frame[i] = short(r.word());
    EXPECT_EQ(r.nameOrOrdinal(), ""); // no menu
    EXPECT_EQ(r.nameOrOrdinal(), ""); // the standard dialog class
    caption = r.nameOrOrdinal();
    if (style & DS_SETFONT) {
        pointSize = r.word();
        font = r.nameOrOrdinal();
    }
    for (int i = 0; i < count; ++i) {
        r.alignDword(base);
        Control c = {};
        c.row.style = r.dword();
        r.dword();
        c.row.x = short(r.word());
        c.row.y = short(r.word());
        c.row.cx = short(r.word());
        c.row.cy = short(r.word());
        c.row.id = r.word();
        c.className = r.nameOrOrdinal();
        c.text = r.nameOrOrdinal();
        r.p += r.word(); // creation data
        controls.push_back(c);
    }
    return controls;
}

TEST_F(SaverResources, Dialog2003IsTheTemplate) {
    DWORD style = 0;
    short frame[4] = {};
    std::string caption, font;
    int pointSize = 0;
    std::vector<Control> controls = readDialog(style, frame, caption, font, pointSize);
    EXPECT_EQ(style, DWORD(DS_MODALFRAME | DS_3DLOOK | DS_SETFONT | WS_POPUP | WS_CAPTION |
                           WS_SYSMENU | WS_VISIBLE));
    EXPECT_EQ(frame[0], 128);
    EXPECT_EQ(frame[1], 120);
    EXPECT_EQ(frame[2], 170);
    EXPECT_EQ(frame[3], 241);
    EXPECT_EQ(caption, "Clackmoor Screen Saver");
    EXPECT_EQ(font, "MS Sans Serif");
    EXPECT_EQ(pointSize, 11);
    ASSERT_EQ(controls.size(), 31u);
    for (size_t i = 0; i < controls.size(); ++i) {
        const ControlRow& want = expectedControls[i];
        const Control& got = controls[i];
        SCOPED_TRACE("control #" + std::to_string(i + 1));
        EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.row.id, want.id);
        EXPECT_EQ(got.row.style, want.style | WS_CHILD | WS_VISIBLE);
        EXPECT_EQ(got.row.x, want.x);
        EXPECT_EQ(got.row.y, want.y);
        EXPECT_EQ(got.row.cx, want.cx);
        EXPECT_EQ(got.row.cy, want.cy);
    }
}

// Each pattern box has, to its right on the same row, the picture of its pattern.
TEST_F(SaverResources, EachPatternBoxHasItsPictureBesideIt) {
    DWORD style;
    short frame[4];
    std::string caption, font;
    int pointSize;
    std::vector<Control> controls = readDialog(style, frame, caption, font, pointSize);
    const char* pictureOfBox[10] = {"#120", "#119", "#117", "#124", "#125",
                                    "#123", "#121", "#122", "#118", "#126"};
    for (int k = 0; k < 10; ++k) {
        const Control* box = nullptr;
        for (const Control& c : controls)
            if (c.row.id == 1012 + k)
                box = &c;
        ASSERT_NE(box, nullptr);
        const Control* nearest = nullptr;
        for (const Control& c : controls) {
            const bool picture = (c.row.style & SS_TYPEMASK) == SS_BITMAP && c.className == "#130";
            const bool sameRow =
                c.row.y < box->row.y + box->row.cy && box->row.y < c.row.y + c.row.cy;
            if (picture && sameRow && c.row.x > box->row.x &&
                (!nearest || c.row.x < nearest->row.x))
                nearest = &c;
        }
        ASSERT_NE(nearest, nullptr) << "box " << 1012 + k;
        EXPECT_EQ(nearest->text, pictureOfBox[k]) << "box " << 1012 + k;
    }
}

// 64 x 32, 1 bit per pixel, black on white; the balls hanging at rest are exactly those the
// pattern does not raise (ball i hangs under x = 17.5 + 7i, its centre on row 23 from the top).
TEST_F(SaverResources, PatternPicturesShowTheirRaisedBalls) {
    const struct {
        int id, left, right;
    } pictures[10] = {{117, 2, 0}, {118, 4, 0}, {119, 1, 1}, {120, 1, 0}, {121, 3, 1},
                      {122, 3, 2}, {123, 3, 0}, {124, 2, 1}, {125, 2, 2}, {126, 4, 1}};
    std::vector<std::string> seen;
    for (const auto& p : pictures) {
        SCOPED_TRACE("bitmap " + std::to_string(p.id));
        DWORD size = 0;
        const unsigned char* data = resourceData(RT_BITMAP, p.id, &size);
        ASSERT_NE(data, nullptr);
        BITMAPINFOHEADER h;
        std::memcpy(&h, data, sizeof h);
        EXPECT_EQ(h.biWidth, 64);
        EXPECT_EQ(h.biHeight, 32); // bottom-up
        EXPECT_EQ(h.biBitCount, 1);
        EXPECT_EQ(h.biCompression, DWORD(BI_RGB));
        uint32_t palette[2];
        std::memcpy(palette, data + h.biSize, sizeof palette);
        EXPECT_EQ(palette[0] & 0xFFFFFF, 0x000000u);
        EXPECT_EQ(palette[1] & 0xFFFFFF, 0xFFFFFFu);
        const unsigned char* bits = data + h.biSize + sizeof palette;
        ASSERT_GE(size, h.biSize + sizeof palette + 8 * 32);
        auto black = [&](int x, int yFromTop) {
            const unsigned char byte = bits[(31 - yFromTop) * 8 + x / 8];
            return !((byte >> (7 - x % 8)) & 1);
        };
        std::string hanging;
        for (int ball = 0; ball < 5; ++ball)
            hanging += black(17 + 7 * ball, 23) ? 'o' : '-';
        std::string want(5, 'o');
        for (int b = 0; b < p.left; ++b)
            want[size_t(b)] = '-';
        for (int b = 0; b < p.right; ++b)
            want[size_t(4 - b)] = '-';
        EXPECT_EQ(hanging, want);
        seen.push_back(std::string(reinterpret_cast<const char*>(bits), 256));
        for (size_t j = 0; j + 1 < seen.size(); ++j)
            EXPECT_NE(seen[j], seen.back()) << "two pictures are the same";
    }
}

TEST_F(SaverResources, IconGroup109HoldsOne32x32In16Colours) {
    const unsigned char* group = resourceData(RT_GROUP_ICON, 109);
    ASSERT_NE(group, nullptr);
    Reader r{group};
    EXPECT_EQ(r.word(), 0);
    EXPECT_EQ(r.word(), 1); // icons
    ASSERT_EQ(r.word(), 1); // one image
    EXPECT_EQ(r.p[0], 32);
    EXPECT_EQ(r.p[1], 32);
    EXPECT_EQ(r.p[2], 16);
    r.p += 4;
    EXPECT_EQ(r.word(), 1); // planes
    EXPECT_EQ(r.word(), 4); // bits per pixel
    r.dword();
    const int iconId = r.word();
    const unsigned char* image = resourceData(RT_ICON, iconId);
    ASSERT_NE(image, nullptr);
    BITMAPINFOHEADER h;
    std::memcpy(&h, image, sizeof h);
    EXPECT_EQ(h.biWidth, 32);
    EXPECT_EQ(h.biHeight, 64); // the image and its mask
    EXPECT_EQ(h.biBitCount, 4);
    HICON icon = LoadIconA(module, MAKEINTRESOURCEA(109));
    EXPECT_NE(icon, nullptr);
}

TEST_F(SaverResources, DescriptionStringVersionAndManifest) {
    char text[64] = {};
    EXPECT_EQ(LoadStringA(module, 1, text, sizeof text), 22);
    EXPECT_STREQ(text, "Clackmoor Screen Saver");
    EXPECT_NE(resourceData(RT_MANIFEST, 1), nullptr);

    const std::string path = saverPath();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));
    const struct {
        const char* key;
        const char* value;
    } strings[] = {{"FileDescription", "Clackmoor Screen Saver"},
                   {"ProductName", "Clackmoor"},
                   {"FileVersion", "1.0.0.0"},
                   {"ProductVersion", "1.0.0.0"},
                   {"LegalCopyright", "Copyright (C) 2026 the Clackmoor developers"}};
    for (const auto& s : strings) {
        char* value = nullptr;
        UINT length = 0;
        const std::string query = std::string("\\StringFileInfo\\040904B0\\") + s.key;
        ASSERT_TRUE(
            VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
            << s.key;
        EXPECT_STREQ(value, s.value);
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
}

} // namespace
