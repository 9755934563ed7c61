#include "tools/board/EepromTransfer.h"

#include "port/bitbang/BoardEeprom.h"

namespace kovir {

std::vector<std::uint8_t> ReadImage(EepromAccess& access, std::size_t size)
{
    std::vector<std::uint16_t> words(size / 2);
    for (std::size_t i = 0; i < words.size(); ++i) {
        words[i] = access.Read(i);
    }
    return EepromBytes(words);
}

std::vector<std::size_t> WriteImage(EepromAccess& access, const std::vector<std::uint8_t>& image)
{
    access.Write(EepromWords(image));
    return EepromDifferences(ReadImage(access, image.size()), image);
}

} // namespace kovir
