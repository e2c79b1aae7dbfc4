#include "unpacker.h"

#include "common/apperror.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

Outcome inflate(QIODevice& packed, QIODevice& copy, const QString& name, qint64 maximumSize) {
    Inflater inflater;
    z_stream& stream = inflater.stream;
    char input[kBlock];
    char output[kBlock];
    qint64 unpacked = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (stream.avail_in == 0) {
            const qint64 read = packed.read(input, kBlock);
            if (read < 0)
                throw AppError(
                    QStringLiteral("Não foi possível ler o arquivo %1: %2").arg(name, packed.errorString()));
            if (read == 0)
                return Outcome::CutShort;
            stream.next_in = reinterpret_cast<Bytef*>(input);
            stream.avail_in = static_cast<uInt>(read);
        }
        stream.next_out = reinterpret_cast<Bytef*>(output);
        stream.avail_out = kBlock;
        status = ::inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            throw AppError(QStringLiteral("Não foi possível descompactar o arquivo %1: %2")
                               .arg(name, QString::fromLatin1(zError(status))));
        const qint64 produced = kBlock - stream.avail_out;
        unpacked += produced;
        if (unpacked > maximumSize)
            throw AppError(
                QStringLiteral("O arquivo %1 se descompacta em mais de %2 MB, mais do que qualquer base "
                               "de dados; a descompactação foi interrompida.")
                    .arg(name)
                    .arg(maximumSize / (1024 * 1024)));
        if (produced > 0 && copy.write(output, produced) != produced)
            throw AppError(
                QStringLiteral("Não foi possível gravar o conteúdo de %1: %2").arg(name, copy.errorString()));
    }
    return Outcome::Whole;
}

Outcome DescomprimeClick(const QString& sde, const QString& spara, qint64 maximumSize) {
    QFile packed(sde);
    if (!packed.open(QIODevice::ReadOnly))
        throw AppError(
            QStringLiteral("Não foi possível abrir o arquivo %1: %2").arg(sde, packed.errorString()));
    QSaveFile copy(spara);
    if (!copy.open(QIODevice::WriteOnly))
        throw AppError(QStringLiteral("Cannot create file \"%1\". %2").arg(spara, copy.errorString()));
    const Outcome outcome = inflate(packed, copy, QFileInfo(sde).fileName(), maximumSize);
    if (!copy.commit())
        throw AppError(QStringLiteral("Cannot create file \"%1\". %2").arg(spara, copy.errorString()));
    return outcome;
}

} // namespace Unpacker
