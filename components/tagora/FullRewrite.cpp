// SPDX-License-Identifier: Apache-2.0
#include "FullRewrite.h"

#include "PdfInfoFile.h"
#include "PdfText.h"
#include "ReplacementFile.h"
#include "SaveProof.h"
#include "TagoraError.h"
#include "automation/AutomationError.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <vector>

namespace Tagora {

namespace {

// Writes to a file from its start. qpdf's writer hands over a few bytes at a time (an
// encrypted stream, 16 at a time): they are gathered into large writes, one system call
// per MiB. It never throws: an exception through qpdf's writer would end the process,
// so after a failure it drops what follows and keeps the failure, which the caller
// throws once the writer is done.
class FilePipeline : public Pipeline
{
public:
    explicit FilePipeline(File &file) : Pipeline("rewrite", nullptr), m_file(file)
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

    std::exception_ptr failure;

private:
    static constexpr size_t Capacity = 1 << 20;

    void flush()
    {
        put(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }
    void put(unsigned char const *data, size_t length)
    {
        if (failure || length == 0)
            return;
        try {
            m_file.writeAt(m_written, reinterpret_cast<const char *>(data), length);
            m_written += std::int64_t(length);
        } catch (...) {
            failure = std::current_exception();
        }
    }

    File &m_file;
    std::int64_t m_written = 0;
    std::vector<unsigned char> m_buffer;
};

} // namespace

void FullRewrite::write(PdfInfoFile &file, const InfoDictionary &info, bool replaceInfo,
                        const std::u16string &target, const std::optional<std::string> &metadata,
                        const FileIdentity &held)
{
    QPDF &pdf = file.document();
    if (metadata) {
        QPDFObjectHandle root = pdf.getRoot();
        QPDFObjectHandle stream = root.getKey("/Metadata");
        if (stream.isStream() && stream.isIndirect()) {
            stream.replaceStreamData(*metadata, QPDFObjectHandle::newNull(),
                                     QPDFObjectHandle::newNull());
        } else {
            // Uncompressed, as readers that look for a packet by its bytes expect it.
            stream = QPDFObjectHandle::newStream(&pdf, *metadata);
            stream.getDict().replaceKey("/Type", QPDFObjectHandle::newName("/Metadata"));
            stream.getDict().replaceKey("/Subtype", QPDFObjectHandle::newName("/XML"));
            root.replaceKey("/Metadata", stream);
        }
    }
    QPDFObjectHandle dictionary = QPDFObjectHandle::newDictionary();
    // qpdf parses a reference only inside another object.
    for (const InfoEntry &entry : info.entries())
        dictionary.replaceKey(
            PdfText::writableName("/" + entry.key),
            PdfText::writable(
                QPDFObjectHandle::parse(&pdf, "[" + entry.value + "]").getArrayItem(0)));
    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle old = trailer.getKey("/Info");
    if (replaceInfo && old.isIndirect())
        pdf.replaceObject(old.getObjGen(), dictionary);
    else
        trailer.replaceKey("/Info", pdf.makeIndirectObject(dictionary));

    const std::unique_ptr<ReplacementFile> copy = ReplacementFile::beside(target);
    FilePipeline pipeline(*copy->file());
    QPDFWriter writer(pdf);
    writer.setOutputPipeline(&pipeline);
    // Keep everything but the information dictionary as it was.
    writer.setPreserveEncryption(true);
    writer.setDecodeLevel(qpdf_dl_none);
    writer.setCompressStreams(false);
    writer.setObjectStreamMode(qpdf_o_preserve);
    writer.write();
    pipeline.finish();
    if (pipeline.failure)
        std::rethrow_exception(pipeline.failure);
    // A warning about an object means qpdf wrote something other than what the file holds
    // (a damaged encryption dictionary read as a key length of 0 encrypts every stream
    // wrongly; a damaged object is written as null).
    if (const QPDFExc *warning = file.objectWarning())
        Automation::raise(RewriteRefused, u"qpdf warned while writing it anew (" +
                                              warningText(*warning, target) +
                                              u"); it was left as it was");
    SaveProof::checkRewrite(file, writer, target, copy->file(), info,
                            metadata ? &*metadata : nullptr);
    copy->commit(held);
}

} // namespace Tagora
