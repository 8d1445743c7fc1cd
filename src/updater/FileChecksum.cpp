#include "FileChecksum.h"

#include "Gzip.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace order {

std::uint32_t FileChecksum(const QString& path)
{
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(QFile::encodeName(path).constData(), "rb"));
    if (!file)
        return 0;
    std::vector<unsigned char> block(kChecksumBlock);
    std::uint32_t crc = 0;
    for (;;) {
        const std::size_t n = std::fread(block.data(), 1, block.size(), file.get());
        if (n == 0)
            break;
        crc = Crc32Update(crc, block.data(), n);
    }
    // A read error part way through must not pass for a good file.
    if (std::ferror(file.get()))
        return 0;
    return crc;
}

QString ChecksumText(std::uint32_t checksum)
{
    return QString::number(checksum);
}

} // namespace order
