// SPDX-License-Identifier: Apache-2.0
#include "WindowCapture.h"

#include <zlib.h>

#include <filesystem>
#include <fstream>

namespace Host {

namespace {

void bigEndian(std::vector<std::uint8_t> &to, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        to.push_back(std::uint8_t(value >> shift));
}

} // namespace

bool writePng(const std::wstring &path, int width, int height, const std::vector<std::uint8_t> &rgb)
{
    if (width <= 0 || height <= 0 || rgb.size() != std::size_t(width) * std::size_t(height) * 3)
        return false;
    // Each row starts with its filter: none.
    const std::size_t stride = std::size_t(width) * 3;
    std::vector<std::uint8_t> rows;
    rows.reserve(rgb.size() + std::size_t(height));
    for (std::size_t y = 0; y < std::size_t(height); ++y) {
        rows.push_back(0);
        rows.insert(rows.end(), rgb.begin() + std::ptrdiff_t(y * stride),
                    rgb.begin() + std::ptrdiff_t((y + 1) * stride));
    }
    std::vector<std::uint8_t> packed(compressBound(uLong(rows.size())));
    uLongf size = uLongf(packed.size());
    if (compress2(packed.data(), &size, rows.data(), uLong(rows.size()), 9) != Z_OK)
        return false;
    packed.resize(size);

    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write("\x89PNG\r\n\x1a\n", 8);
    auto chunk = [&](const char *kind, const std::vector<std::uint8_t> &data) {
        std::vector<std::uint8_t> bytes;
        bigEndian(bytes, std::uint32_t(data.size()));
        bytes.insert(bytes.end(), kind, kind + 4);
        bytes.insert(bytes.end(), data.begin(), data.end());
        // The check sum covers the kind and the data, not the length.
        bigEndian(bytes, std::uint32_t(crc32(0, bytes.data() + 4, uInt(bytes.size() - 4))));
        out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
    };
    std::vector<std::uint8_t> header;
    bigEndian(header, std::uint32_t(width));
    bigEndian(header, std::uint32_t(height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8-bit RGB, no interlace
    chunk("IHDR", header);
    chunk("IDAT", packed);
    chunk("IEND", {});
    out.close();
    return !out.fail();
}

bool captureWindow(HWND window, const std::wstring &path, CaptureArea area)
{
    if (!window || !IsWindow(window))
        return false;
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT bounds{};
    if (area == CaptureArea::Window) {
        GetWindowRect(window, &bounds);
        OffsetRect(&bounds, -bounds.left, -bounds.top);
    } else {
        GetClientRect(window, &bounds);
    }
    const int width = bounds.right, height = bounds.bottom;
    if (width <= 0 || height <= 0)
        return false;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    const HDC screen = area == CaptureArea::Window ? GetWindowDC(window) : GetDC(window);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    std::vector<std::uint8_t> rgb;
    if (bitmap && bits) {
        const HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != FALSE;
        GdiFlush();
        rgb.reserve(std::size_t(width) * std::size_t(height) * 3);
        const auto *pixel = static_cast<const std::uint8_t *>(bits);
        for (std::size_t i = 0; i < std::size_t(width) * std::size_t(height); ++i, pixel += 4)
            rgb.insert(rgb.end(), {pixel[2], pixel[1], pixel[0]}); // BGRA to RGB
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return copied && writePng(path, width, height, rgb);
}

} // namespace Host
