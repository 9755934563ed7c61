// Build-time tool: turns the icon's PNG sizes into pixels compiled into the
// program, so that showing the window's icon decodes no image at start-up.
//   kovir_icon_pixels OUT.cpp ICON-32.png ICON-48.png ...
#include <QImage>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUT.cpp PNG...\n", argv[0]);
        return 2;
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "// Made at build time by kovir_icon_pixels from the icon's PNG sizes.\n"
                      "#include \"ui/qt/icon/IconPixels.h\"\n\nnamespace kovir {\n\nnamespace {\n\n");
    for (int i = 2; i < argc; ++i) {
        const QImage image = QImage(QString::fromLocal8Bit(argv[i]))
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (image.isNull()) {
            std::fprintf(stderr, "%s: not an image\n", argv[i]);
            return 1;
        }
        std::fprintf(out, "constexpr std::uint32_t Pixels%d[] = {", i - 2);
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                std::fprintf(out, "%s0x%08X,", x % 8 == 0 ? "\n    " : " ", static_cast<unsigned>(row[x]));
            }
        }
        std::fprintf(out, "\n};\n\n");
    }
    std::fprintf(out, "constexpr IconPixels Images[] = {\n");
    for (int i = 2; i < argc; ++i) {
        const QImage image(QString::fromLocal8Bit(argv[i]));
        std::fprintf(out, "    {%d, %d, Pixels%d},\n", image.width(), image.height(), i - 2);
    }
    std::fprintf(out, "};\n\n} // namespace\n\nstd::span<const IconPixels> ProgramIconPixels()\n{\n"
                      "    return Images;\n}\n\n} // namespace kovir\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
