// SPDX-License-Identifier: Apache-2.0
// XmpPacket: the XMP metadata of a PDF document, read from and written back to the data of
// its /Metadata stream, so that the document-information entries a user edits (Title,
// Author, Subject, Keywords, custom entries, the modification date) stay in step with the
// XMP copy that PDF/A validators and many readers prefer.
//
// exempi does all XML and RDF work. This class only finds the packet's wrapper
// ("<?xpacket begin ...?>" to "<?xpacket end ...?>") by plain byte search, so that bytes
// before and after it are written back unchanged. A packet is read into exempi's data
// model and written back from it: what the caller does not change keeps its meaning
// (PDF/A identification, extension schemas, other namespaces, dates, tool names), but not
// its spelling: exempi rewrites the RDF in its own layout (element form, one
// rdf:Description, its own x:xmptk) and moves the aliases pdf:Title, pdf:Author,
// pdf:Subject, pdf:Creator, pdf:CreationDate, pdf:ModDate and pdf:BaseURL to the dc: and
// xmp: properties they stand for.
//
// Texts are UTF-16 at the interface and UTF-8 in the packet. A character that XML 1.0
// does not allow (a control character other than tab, LF and CR, DEL, U+FFFE, U+FFFF or a
// lone surrogate) is written as a space: exempi refuses some of them and reads the others
// back as spaces, so a text reads back exactly as it was written.
//
// A packet can also be made anew (create()), for a document that has none: then it holds
// what the caller sets, and an empty array of custom fields.
//
// Custom fields: the entries of the document-information dictionary other than the
// standard eight, in a namespace of OrvFields' own (CustomNamespace, prefix "orvf"), as
// one ordered array orvf:fields (rdf:Seq) of structures, each with an orvf:name and an
// orvf:value, in the dictionary's order. Any name fits (it is a value, not an XML name),
// so the array holds every entry exactly, but for the characters that XML does not allow
// (see below).
//
// exempi is bound (Exempi.h) and initialised once per process, on the first call to
// parse() or create() (a program that reads no XMP never loads it), and never terminated;
// without it they answer nothing, with the reason. Packets may be used on several threads at once,
// each packet on one thread at a time.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Tagora {

class XmpPacket
{
public:
    // The packet in the decoded data of a /Metadata stream, or nothing when exempi cannot
    // parse it or the data holds no RDF (an empty stream, some other XML, a packet in
    // UTF-16). `reason`, when given, then receives a short English explanation for a log;
    // exempi itself also writes a line to stderr ("XML parsing failure").
    // The packet is the part from "<?xpacket begin" to the end of "<?xpacket end ...?>";
    // without such a wrapper it is the whole data.
    static std::optional<XmpPacket> parse(const std::string &streamData,
                                          std::u16string *reason = nullptr);
    // A new packet with nothing in it but an empty orvf:fields array; nothing when exempi
    // cannot be loaded (`reason` then says why). It serializes with a writeable wrapper
    // and 2048 bytes of padding, and no bytes around it.
    static std::optional<XmpPacket> create(std::u16string *reason = nullptr);

    // The custom fields' namespace.
    static constexpr char CustomNamespace[] = "http://ns.orvfields.org/custom/1.0/";
    // A custom field: the name and the text of a document-information entry.
    struct Field
    {
        std::u16string name;
        std::u16string value;
        bool operator==(const Field &) const = default;
    };

    XmpPacket(XmpPacket &&other) noexcept;
    XmpPacket &operator=(XmpPacket &&other) noexcept;
    ~XmpPacket();
    // A moved-from packet may only be assigned to or destroyed.

    // dc:title: the x-default item of its language alternatives, else the first item.
    // Nothing when there is no dc:title or it has no item.
    std::optional<std::u16string> title() const;
    // dc:description, chosen like title().
    std::optional<std::u16string> description() const;
    // dc:creator: its items joined by "; " (a single item as it is). Nothing when there is
    // no dc:creator or it has no item.
    std::optional<std::u16string> author() const;
    // pdf:Keywords (http://ns.adobe.com/pdf/1.3/), a simple text.
    std::optional<std::u16string> keywords() const;
    // The simple property `name` of http://ns.adobe.com/pdfx/1.3/, where Acrobat keeps the
    // custom entries of the document-information dictionary. Nothing when it is absent or
    // `name` is not an XML name without prefix.
    std::optional<std::u16string> pdfx(const std::u16string &name) const;

    // Sets the x-default item of dc:title, putting it first; items in other languages stay,
    // except that exempi keeps an array of x-default and exactly one other item equal (it
    // also makes them equal when it parses such an array). An empty text removes dc:title,
    // all languages with it.
    void setTitle(const std::u16string &text);
    // Sets dc:description like setTitle().
    void setDescription(const std::u16string &text);
    // Replaces dc:creator by an ordered array (rdf:Seq) of one item holding the whole
    // text, so that author() gives back exactly `text`; an empty text removes dc:creator.
    void setAuthor(const std::u16string &text);
    // Replaces pdf:Keywords by `text`; an empty text removes it.
    void setKeywords(const std::u16string &text);
    // Sets the pdfx property `name` to `value` (removes it when `value` is empty), only
    // when the packet already has it. Returns whether it had it; never adds a property.
    bool setPdfx(const std::u16string &name, const std::u16string &value);
    // The items of orvf:fields, in order (an item without a name or value reads it as
    // empty); nothing when the packet has no such array.
    std::optional<std::vector<Field>> customFields() const;
    // Replaces orvf:fields by an array of `fields`, in their order; makes it when the
    // packet has none.
    void setCustomFields(const std::vector<Field> &fields);
    // Replaces pdf:Producer, and xmp:CreatorTool, by `text`; an empty text removes it.
    void setProducer(const std::u16string &text);
    void setCreatorTool(const std::u16string &text);
    // Replaces xmpMM:DocumentID by `id` ("uuid:..."), which stays the same for every
    // version of the document.
    void setDocumentId(const std::string &id);
    // Whether the packet has an xmpMM:InstanceID, which names one saved version.
    bool hasInstanceId() const;
    // Replaces xmpMM:InstanceID by `id` ("uuid:...").
    void setInstanceId(const std::string &id);
    // Sets xmp:CreateDate, and xmp:MetadataDate alone, to a date in PDF form, as
    // setModifyDate() does; false, changing nothing, for a text that is no such date.
    bool setCreateDate(const std::u16string &pdfDate);
    bool setMetadataDate(const std::u16string &pdfDate);
    // Sets xmp:ModifyDate and xmp:MetadataDate to a date in PDF form
    // ("D:20261206052400+01'00'"), written as ISO 8601 (see PdfText::isoDate). Returns
    // false, changing nothing, when the text is not such a date.
    bool setModifyDate(const std::u16string &pdfDate);

    // The new stream data: the bytes before the packet, the packet written by exempi with a
    // wrapper and whitespace padding, the bytes after it. The wrapper's end="w" or "r" is
    // kept ("w" when the data had no wrapper). When the new packet fits in the length of
    // the old one, it is padded to exactly that length, whether writeable or read-only;
    // otherwise a writeable packet gets 2048 bytes of padding and a read-only one none. The
    // packet is always UTF-8. Should exempi fail to write it (not seen), the data given to
    // parse(), unchanged.
    std::string serialize() const;

private:
    struct Data;
    explicit XmpPacket(std::unique_ptr<Data> data);
    std::unique_ptr<Data> d;
};

} // namespace Tagora
