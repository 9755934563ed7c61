// Build-time tool: turns the icon's PNG sizes into pixels compiled into the
// program, so that showing the window's icon decodes no image at start-up.
//   kovir_icon_pixels OUT.cpp ICON-32.png ICON-48.png ...
// It writes beside OUT.cpp and renames at the end: a failed run leaves no
// half-written source for the build to take.
#include <QImage>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT.cpp PNG...\n", argv[0]);
        return 2;
    }
    std::vector<QImage> images; // each PNG decoded once
    for (int i = 2; i < argc; ++i) {
        images.push_back(QImage(QString::fromLocal8Bit(argv[i]))
                             .convertToFormat(QImage::Format_ARGB32_Premultiplied));
        if (images.back().isNull()) {
            std::fprintf(stderr, "%s: not an image\n", argv[i]);
            return 1;
        }
    }
    const std::string partial = std::string(argv[1]) + ".partial";
    std::FILE* out = std::fopen(partial.c_str(), "w");
    if (!out) {
        std::perror(partial.c_str());
        return 1;
    }
    std::fprintf(out, "// Made at build time by kovir_icon_pixels from the icon's PNG sizes.\n"
                      "#include \"ui/qt/icon/IconPixels.h\"\n\nnamespace kovir {\n\nnamespace {\n\n");
    for (std::size_t i = 0; i < images.size(); ++i) {
        const QImage& image = images[i];
        std::fprintf(out, "constexpr std::uint32_t Pixels%zu[] = {", i);
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                std::fprintf(out, "%s0x%08X,", x % 8 == 0 ? "\n    " : " ", static_cast<unsigned>(row[x]));
            }
        }
        std::fprintf(out, "\n};\n\n");
    }
    std::fprintf(out, "constexpr IconPixels Images[] = {\n");
    for (std::size_t i = 0; i < images.size(); ++i) {
        std::fprintf(out, "    {%d, %d, Pixels%zu},\n", images[i].width(), images[i].height(), i);
    }
    std::fprintf(out, "};\n\n} // namespace\n\nstd::span<const IconPixels> ProgramIconPixels()\n{\n"
                      "    return Images;\n}\n\n} // namespace kovir\n");
    const bool written = !std::ferror(out);
    if (std::fclose(out) != 0 || !written || std::rename(partial.c_str(), argv[1]) != 0) {
        std::perror(argv[1]);
        std::remove(partial.c_str());
        return 1;
    }
    return 0;
}
