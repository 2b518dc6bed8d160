// SPDX-License-Identifier: Apache-2.0
// CachedFileInput: a qpdf input source over a File that reads whole blocks and keeps the
// last few in memory.
//
// qpdf reads a classic cross-reference table entry by entry, each with a seek and a
// few small reads; through stdio every one of those becomes a system call (tens of
// thousands for a book). Reading 64 KiB blocks at their offsets turns them into memory
// copies. Only the blocks qpdf asks for are read, so the cost still does not depend on
// the size of the file. The file is not mapped into memory: a file shortened by another
// program while it is read gives short reads here, not a crash.
#pragma once

#include "File.h"

#include <qpdf/InputSource.hh>

#include <memory>
#include <string>
#include <vector>

namespace Tagora {

class QPDF_DLL_CLASS CachedFileInput : public InputSource
{
public:
    // Reads `file`, which it keeps open as long as it lives; `name` names it in qpdf's
    // messages. Throws AutomationError when the file cannot be examined.
    CachedFileInput(const std::string &name, std::shared_ptr<File> file);
    ~CachedFileInput() override;
    CachedFileInput(const CachedFileInput &) = delete;
    CachedFileInput &operator=(const CachedFileInput &) = delete;

    qpdf_offset_t findAndSkipNextEOL() override;
    std::string const &getName() const override;
    qpdf_offset_t tell() override;
    void seek(qpdf_offset_t offset, int whence) override;
    void rewind() override;
    size_t read(char *into, size_t length) override;
    void unreadCh(char ch) override;

    qpdf_offset_t size() const { return m_size; }

private:
    struct Block
    {
        qpdf_offset_t index;
        std::string bytes;
    };
    // The block holding `offset`, read if needed; empty at or past the end.
    const std::string &blockAt(qpdf_offset_t offset);

    std::string m_name;
    std::shared_ptr<File> m_file;
    qpdf_offset_t m_size = 0;
    qpdf_offset_t m_position = 0;
    std::vector<Block> m_blocks; // most recently used first
};

} // namespace Tagora
