// SPDX-License-Identifier: Apache-2.0
#include "FullRewrite.h"

#include "TagoraError.h"
#include "automation/AutomationError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFWriter.hh>

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace Tagora {

namespace {

// Writes straight to a descriptor and keeps errno, which tells a full disk from others.
// It never throws: an exception through qpdf's writer would end the process, so after a
// failure it drops what follows and the caller reads `error` once the writer is done.
class DescriptorPipeline : public Pipeline
{
public:
    explicit DescriptorPipeline(int fd) : Pipeline("rewrite", nullptr), m_fd(fd) {}

    void write(unsigned char const *data, size_t length) override
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
    void finish() override {}

    int error = 0;

private:
    int m_fd;
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

void syncFolder(const QString &folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

void FullRewrite::write(QPDF &pdf, const InfoDictionary &info, bool replaceInfo,
                        const QString &target, const std::optional<QByteArray> &metadata)
{
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

    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const bool writable = QFileInfo(QFileInfo(target).absolutePath()).isWritable();
        Automation::raise(writable ? Automation::PathFileAccessError : Automation::PermissionDenied,
                          QStringLiteral("a new copy of the file cannot be created beside it (%1)")
                              .arg(file.errorString()));
    }
    const int fd = file.handle();
    // QSaveFile gives the new file the target's permission bits; the owner is ours to
    // keep. Only root can give a file away; a member of the group can still set the group.
    [[maybe_unused]] const bool owned = ::fchown(fd, original.st_uid, original.st_gid) == 0 ||
                                        ::fchown(fd, uid_t(-1), original.st_gid) == 0;

    DescriptorPipeline pipeline(fd);
    try {
        QPDFWriter writer(pdf);
        writer.setOutputPipeline(&pipeline);
        // Keep everything but the information dictionary as it was.
        writer.setPreserveEncryption(true);
        writer.setDecodeLevel(qpdf_dl_none);
        writer.setCompressStreams(false);
        writer.setObjectStreamMode(qpdf_o_preserve);
        writer.write();
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    if (pipeline.error == 0 && ::fsync(fd) != 0)
        pipeline.error = errno;
    if (pipeline.error != 0) {
        file.cancelWriting();
        raiseFileError(pipeline.error, QStringLiteral("the file cannot be written"));
    }
    if (!file.commit())
        Automation::raise(Automation::DeviceIOError,
                          QStringLiteral("the new copy of the file cannot replace it (%1)")
                              .arg(file.errorString()));
    syncFolder(QFileInfo(target).absolutePath());
}

} // namespace Tagora
