// SPDX-License-Identifier: Apache-2.0
// Descriptor: a File over a POSIX file descriptor, which it closes (and so lets go of
// its locks) when it goes.
#pragma once

#include "tagora/File.h"

namespace Tagora::Posix {

class Descriptor final : public File
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() override;
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int handle() const { return m_fd; }

    FileIdentity identity() override;
    std::size_t readAt(std::int64_t offset, char *into, std::size_t length) override;
    bool writerHolds() override;
    void reserve(std::int64_t offset, std::int64_t length) override;
    void writeAt(std::int64_t offset, const char *bytes, std::size_t length) override;
    void flush() override;
    void truncate(std::int64_t length) override;

private:
    int m_fd;
};

} // namespace Tagora::Posix
