// SPDX-License-Identifier: Apache-2.0
#include "CachedFileInput.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace Tagora {

namespace {

constexpr qpdf_offset_t BlockSize = 64 * 1024;
constexpr std::size_t BlocksKept = 8;

const std::string NoBytes;

} // namespace

CachedFileInput::CachedFileInput(const std::string &name, std::shared_ptr<File> file)
    : m_name(name), m_file(std::move(file)), m_size(m_file->identity().size)
{}

CachedFileInput::~CachedFileInput() = default;

const std::string &CachedFileInput::blockAt(qpdf_offset_t offset)
{
    if (offset < 0 || offset >= m_size)
        return NoBytes;
    const qpdf_offset_t index = offset / BlockSize;
    for (auto block = m_blocks.begin(); block != m_blocks.end(); ++block) {
        if (block->index == index) {
            std::rotate(m_blocks.begin(), block, block + 1);
            return m_blocks.front().bytes;
        }
    }
    std::string bytes(std::size_t(std::min(BlockSize, m_size - index * BlockSize)), '\0');
    bytes.resize(m_file->readAt(index * BlockSize, bytes.data(), bytes.size()));
    if (m_blocks.size() == BlocksKept)
        m_blocks.pop_back();
    m_blocks.insert(m_blocks.begin(), {index, std::move(bytes)});
    return m_blocks.front().bytes;
}

size_t CachedFileInput::read(char *into, size_t length)
{
    last_offset = m_position;
    size_t done = 0;
    while (done < length) {
        const std::string &block = blockAt(m_position);
        const auto within = std::size_t(m_position % BlockSize);
        if (within >= block.size())
            break;
        const size_t count = std::min(length - done, block.size() - within);
        std::copy_n(block.data() + within, count, into + done);
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
        const std::string &block = blockAt(m_position);
        auto within = std::size_t(m_position % BlockSize);
        if (within >= block.size()) {
            // The end of the file ends the search too.
            if (found < 0)
                found = m_position = std::min(m_position, m_size);
            return found;
        }
        for (; within < block.size(); ++within, ++m_position) {
            const char c = block[within];
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
