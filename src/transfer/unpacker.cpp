#include "unpacker.h"

#include "app/apperror.h"
#include "app/textfile.h"

#include <QFile>
#include <QFileInfo>
#include <zlib.h>

namespace Unpacker {

namespace {

constexpr int kBlock = 1024;

// The decompressor, released however the unpacking ends.
struct Inflater {
    z_stream stream{};
    Inflater() {
        if (inflateInit(&stream) != Z_OK)
            throw AppError(QStringLiteral("Não foi possível iniciar a descompactação."));
    }
    ~Inflater() { inflateEnd(&stream); }
};

} // namespace

void DescomprimeClick(const QString& sde, const QString& spara, qint64 maximumSize) {
    QFile packed(sde);
    if (!packed.open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("Não foi possível abrir o arquivo %1: %2").arg(sde, packed.errorString()));
    TextFile::AtomicFile copy(spara);
    Inflater inflater;
    z_stream& stream = inflater.stream;
    char input[kBlock];
    char output[kBlock];
    qint64 unpacked = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (stream.avail_in == 0) {
            const qint64 read = packed.read(input, kBlock);
            if (read <= 0)
                throw AppError(
                    QStringLiteral("O arquivo %1 termina antes do fim dos dados compactados; ele está "
                                   "incompleto.")
                        .arg(QFileInfo(sde).fileName()));
            stream.next_in = reinterpret_cast<Bytef*>(input);
            stream.avail_in = static_cast<uInt>(read);
        }
        stream.next_out = reinterpret_cast<Bytef*>(output);
        stream.avail_out = kBlock;
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            throw AppError(QStringLiteral("Não foi possível descompactar o arquivo %1: %2")
                               .arg(QFileInfo(sde).fileName(), QString::fromLatin1(zError(status))));
        const qint64 produced = kBlock - stream.avail_out;
        unpacked += produced;
        if (unpacked > maximumSize)
            throw AppError(
                QStringLiteral("O arquivo %1 se descompacta em mais de %2 MB, mais do que qualquer base "
                               "de dados; a descompactação foi interrompida.")
                    .arg(QFileInfo(sde).fileName())
                    .arg(maximumSize / (1024 * 1024)));
        if (produced > 0)
            copy.write(QByteArray(output, static_cast<qsizetype>(produced)));
    }
    copy.commit();
}

} // namespace Unpacker
