// SPDX-License-Identifier: Apache-2.0
#include "FullRewrite.h"

#include "PdfInfoFile.h"
#include "ReplacementFile.h"
#include "SaveProof.h"
#include "TagoraError.h"
#include "automation/AutomationError.h"

#include <QFile>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace Tagora {

namespace {

// Writes to a descriptor and keeps errno, which tells a full disk from others. qpdf's
// writer hands over a few bytes at a time (an encrypted stream, 16 at a time): they are
// gathered into large writes, one system call per MiB. It never throws: an exception
// through qpdf's writer would end the process, so after a failure it drops what follows
// and the caller reads `error` once the writer is done.
class DescriptorPipeline : public Pipeline
{
public:
    explicit DescriptorPipeline(int fd) : Pipeline("rewrite", nullptr), m_fd(fd)
    {
        m_buffer.reserve(Capacity);
    }

    void write(unsigned char const *data, size_t length) override
    {
        if (m_buffer.size() + length > Capacity)
            flush();
        if (length >= Capacity)
            put(data, length);
        else
            m_buffer.insert(m_buffer.end(), data, data + length);
    }
    void finish() override { flush(); }

    int error = 0;

private:
    static constexpr size_t Capacity = 1 << 20;

    void flush()
    {
        put(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }
    void put(unsigned char const *data, size_t length)
    {
        while (error == 0 && length > 0) {
            const ssize_t n = ::write(m_fd, data, length);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = n < 0 ? errno : EIO;
                return;
            }
            data += n;
            length -= size_t(n);
        }
    }

    int m_fd;
    std::vector<unsigned char> m_buffer;
};

// A name as qpdf's writer must be given it to write it right. Some versions of qpdf
// write a "#" inside a name as it is, which readers then take for the start of an
// escape ("x#41y" would read "xAy"); given as "#23" it reads back as itself.
std::string writable(const std::string &name)
{
    static const bool writerEscapes = QPDFObjectHandle::newName("/#").unparse() != "/#";
    if (writerEscapes || name.find('#') == std::string::npos)
        return name;
    std::string escaped;
    for (const char c : name)
        escaped += c == '#' ? std::string("#23") : std::string(1, c);
    return escaped;
}

// `value` with its names (in arrays and dictionaries too) made writable.
QPDFObjectHandle writable(QPDFObjectHandle value)
{
    if (value.isIndirect())
        return value;
    if (value.isName())
        return QPDFObjectHandle::newName(writable(value.getName()));
    if (value.isArray()) {
        QPDFObjectHandle array = QPDFObjectHandle::newArray();
        for (int i = 0; i < value.getArrayNItems(); ++i)
            array.appendItem(writable(value.getArrayItem(i)));
        return array;
    }
    if (value.isDictionary()) {
        QPDFObjectHandle dictionary = QPDFObjectHandle::newDictionary();
        for (const std::string &key : value.getKeys())
            dictionary.replaceKey(writable(key), writable(value.getKey(key)));
        return dictionary;
    }
    return value;
}

} // namespace

void FullRewrite::write(PdfInfoFile &file, const InfoDictionary &info, bool replaceInfo,
                        const QString &target, const std::optional<QByteArray> &metadata)
{
    QPDF &pdf = file.document();
    if (metadata) {
        QPDFObjectHandle stream = pdf.getTrailer().getKey("/Root").getKey("/Metadata");
        stream.replaceStreamData(metadata->toStdString(), QPDFObjectHandle::newNull(),
                                 QPDFObjectHandle::newNull());
    }
    QPDFObjectHandle dictionary = QPDFObjectHandle::newDictionary();
    // qpdf parses a reference only inside another object.
    for (const InfoEntry &entry : info.entries())
        dictionary.replaceKey(
            writable("/" + entry.key.toStdString()),
            writable(QPDFObjectHandle::parse(&pdf, "[" + entry.value.toStdString() + "]")
                         .getArrayItem(0)));
    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle old = trailer.getKey("/Info");
    if (replaceInfo && old.isIndirect())
        pdf.replaceObject(old.getObjGen(), dictionary);
    else
        trailer.replaceKey("/Info", pdf.makeIndirectObject(dictionary));

    struct stat original = {};
    if (::stat(QFile::encodeName(target).constData(), &original) != 0)
        raiseFileError(errno, QStringLiteral("the file cannot be read"));
    ReplacementFile copy(target, original);
    DescriptorPipeline pipeline(copy.handle());
    QPDFWriter writer(pdf);
    writer.setOutputPipeline(&pipeline);
    // Keep everything but the information dictionary as it was.
    writer.setPreserveEncryption(true);
    writer.setDecodeLevel(qpdf_dl_none);
    writer.setCompressStreams(false);
    writer.setObjectStreamMode(qpdf_o_preserve);
    writer.write();
    pipeline.finish();
    if (pipeline.error != 0)
        raiseFileError(pipeline.error, QStringLiteral("the file cannot be written"));
    // A warning about an object means qpdf wrote something other than what the file holds
    // (a damaged encryption dictionary read as a key length of 0 encrypts every stream
    // wrongly; a damaged object is written as null).
    if (const QPDFExc *warning = file.objectWarning())
        Automation::raise(RewriteRefused,
                          QStringLiteral("qpdf warned while writing it anew (%1); it was left as "
                                         "it was")
                              .arg(warningText(*warning, target)));
    SaveProof::checkRewrite(file, writer, target, copy.handle(), info);
    copy.commit();
}

} // namespace Tagora
