// SPDX-License-Identifier: Apache-2.0
#include "CachedFileInput.h"

#include <qpdf/QPDFSystemError.hh>

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace Tagora {

namespace {

constexpr qpdf_offset_t BlockSize = 64 * 1024;
constexpr int BlocksKept = 8;

const QByteArray NoBytes;

} // namespace

CachedFileInput::CachedFileInput(const std::string &name, int fd) : m_name(name)
{
    m_fd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (m_fd < 0)
        throw QPDFSystemError("duplicating the descriptor of " + name, errno);
    struct stat st = {};
    if (::fstat(m_fd, &st) != 0) {
        const int error = errno;
        ::close(m_fd);
        throw QPDFSystemError("examining " + name, error);
    }
    m_size = st.st_size;
}

CachedFileInput::~CachedFileInput()
{
    ::close(m_fd);
}

const QByteArray &CachedFileInput::blockAt(qpdf_offset_t offset)
{
    if (offset < 0 || offset >= m_size)
        return NoBytes;
    const qpdf_offset_t index = offset / BlockSize;
    for (qsizetype i = 0; i < m_blocks.size(); ++i) {
        if (m_blocks[i].index == index) {
            if (i > 0)
                m_blocks.move(i, 0);
            return m_blocks.front().bytes;
        }
    }
    QByteArray bytes(qsizetype(std::min(BlockSize, m_size - index * BlockSize)), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(m_fd, bytes.data() + done, size_t(bytes.size() - done),
                                  off_t(index * BlockSize + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw QPDFSystemError("reading " + m_name, errno);
        if (n == 0)
            break; // shortened meanwhile: what is left reads as the end
        done += n;
    }
    bytes.truncate(done);
    if (m_blocks.size() == BlocksKept)
        m_blocks.removeLast();
    m_blocks.prepend({index, bytes});
    return m_blocks.front().bytes;
}

size_t CachedFileInput::read(char *into, size_t length)
{
    last_offset = m_position;
    size_t done = 0;
    while (done < length) {
        const QByteArray &block = blockAt(m_position);
        const qpdf_offset_t within = m_position % BlockSize;
        if (within >= block.size())
            break;
        const size_t count = std::min(length - done, size_t(block.size() - within));
        std::copy_n(block.constData() + within, count, into + done);
        done += count;
        m_position += qpdf_offset_t(count);
    }
    return done;
}

qpdf_offset_t CachedFileInput::findAndSkipNextEOL()
{
    // The offset of the next CR or LF, leaving the position after the run of them.
    qpdf_offset_t found = -1;
    for (;;) {
        const QByteArray &block = blockAt(m_position);
        qpdf_offset_t within = m_position % BlockSize;
        if (within >= block.size()) {
            // The end of the file ends the search too.
            if (found < 0)
                found = m_position = std::min(m_position, m_size);
            return found;
        }
        for (; within < block.size(); ++within, ++m_position) {
            const char c = block[qsizetype(within)];
            const bool eol = c == '\r' || c == '\n';
            if (found < 0 && eol)
                found = m_position;
            else if (found >= 0 && !eol)
                return found;
        }
    }
}

std::string const &CachedFileInput::getName() const
{
    return m_name;
}

qpdf_offset_t CachedFileInput::tell()
{
    return m_position;
}

void CachedFileInput::seek(qpdf_offset_t offset, int whence)
{
    qpdf_offset_t target = offset;
    if (whence == SEEK_CUR)
        target += m_position;
    else if (whence == SEEK_END)
        target += m_size;
    else if (whence != SEEK_SET)
        throw std::logic_error("invalid argument to seek");
    if (target < 0)
        throw std::runtime_error(m_name + ": attempt to seek before the beginning of the file");
    m_position = target;
}

void CachedFileInput::rewind()
{
    m_position = 0;
}

void CachedFileInput::unreadCh(char)
{
    if (m_position > 0)
        --m_position;
}

} // namespace Tagora
