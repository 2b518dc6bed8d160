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
class DescriptorPipeline : public Pipeline
{
public:
    explicit DescriptorPipeline(int fd) : Pipeline("rewrite", nullptr), m_fd(fd) {}

    void write(unsigned char const *data, size_t length) override
    {
        while (length > 0) {
            const ssize_t n = ::write(m_fd, data, length);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                error = n < 0 ? errno : EIO;
                throw std::runtime_error("write failed");
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

void FullRewrite::write(QPDF &pdf, const InfoDictionary &info, const QString &target)
{
    QPDFObjectHandle dictionary = QPDFObjectHandle::newDictionary();
    for (const InfoEntry &entry : info.entries())
        dictionary.replaceKey("/" + entry.key.toStdString(),
                              QPDFObjectHandle::parse(&pdf, entry.value.toStdString()));
    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle old = trailer.getKey("/Info");
    if (old.isIndirect())
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
        if (pipeline.error)
            raiseFileError(pipeline.error, QStringLiteral("the file cannot be written"));
        throw;
    }
    if (!file.commit())
        Automation::raise(Automation::DeviceIOError,
                          QStringLiteral("the new copy of the file cannot replace it (%1)")
                              .arg(file.errorString()));
    syncFolder(QFileInfo(target).absolutePath());
}

} // namespace Tagora
