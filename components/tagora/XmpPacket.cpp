// SPDX-License-Identifier: Apache-2.0
#include "XmpPacket.h"

#include "Exempi.h"
#include "PdfText.h"
#include "automation/Text.h"

#include <exempi/xmperrors.h>

#include <cstdint>
#include <initializer_list>
#include <iostream>
#include <mutex>
#include <type_traits>

namespace Tagora {

using Automation::utf16;
using Automation::utf8;

namespace {

constexpr char kDc[] = "http://purl.org/dc/elements/1.1/";
constexpr char kPdf[] = "http://ns.adobe.com/pdf/1.3/";
constexpr char kPdfx[] = "http://ns.adobe.com/pdfx/1.3/";
constexpr char kXmp[] = "http://ns.adobe.com/xap/1.0/";
constexpr char kXmpMM[] = "http://ns.adobe.com/xap/1.0/mm/";
constexpr const char *kOrvf = XmpPacket::CustomNamespace;
constexpr char kRdf[] = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

// Padding of a writeable packet that does not fit in its old length.
constexpr std::uint32_t kPadding = 2048;

// The prefix of the custom fields' namespace, with its colon, as exempi registered it.
std::string customPrefix = "orvf:";

// The library, bound and initialised once; nothing when it cannot be had. The custom
// fields' namespace is registered before any packet is parsed: a packet that declared its
// URI first would otherwise choose the prefix of its paths.
const Exempi *loadExempi()
{
    static const Exempi *const loaded = [] {
        const Exempi *api = bindExempi();
        if (!api || !api->xmp_init())
            return static_cast<const Exempi *>(nullptr);
        XmpStringPtr prefix = api->xmp_string_new();
        if (api->xmp_register_namespace(kOrvf, "orvf", prefix))
            customPrefix.assign(api->xmp_string_cstr(prefix), api->xmp_string_len(prefix));
        api->xmp_string_free(prefix);
        return api;
    }();
    return loaded;
}

// Only called once loadExempi() has answered.
const Exempi &exempi()
{
    return *loadExempi();
}

struct XmpFree
{
    void operator()(XmpPtr xmp) const { exempi().xmp_free(xmp); }
};
struct XmpStringFree
{
    void operator()(XmpStringPtr text) const { exempi().xmp_string_free(text); }
};
using Xmp = std::unique_ptr<std::remove_pointer_t<XmpPtr>, XmpFree>;
using XmpString = std::unique_ptr<std::remove_pointer_t<XmpStringPtr>, XmpStringFree>;

XmpString newString()
{
    return XmpString(exempi().xmp_string_new());
}

std::string bytesOf(XmpStringPtr value)
{
    return std::string(exempi().xmp_string_cstr(value), exempi().xmp_string_len(value));
}

std::u16string fromXmp(XmpStringPtr value)
{
    return utf16(bytesOf(value));
}

bool isSurrogate(char16_t c)
{
    return c >= 0xD800 && c < 0xE000;
}

// `value` in UTF-8, with a space for each character that XML 1.0 does not allow.
std::string xmlText(const std::u16string &value)
{
    std::u16string clean = value;
    for (std::size_t i = 0; i < clean.size(); ++i) {
        const char16_t c = clean[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 &&
            clean[i + 1] < 0xE000) {
            ++i;
            continue;
        }
        const bool control = (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0x7F;
        if (control || c == 0xFFFE || c == 0xFFFF || isSurrogate(c))
            clean[i] = u' ';
    }
    return utf8(clean);
}

// Whether `c` may start an XML name (XML 1.0, fifth edition), a colon aside.
bool isNameStart(char32_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' ||
           (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) ||
           (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) ||
           (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF) ||
           (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0xEFFFF);
}

// An XML name without prefix, also a safe exempi path step.
bool isPlainName(const std::u16string &name)
{
    for (std::size_t i = 0; i < name.size(); ++i) {
        char32_t c = name[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
            name[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(name[i + 1]) - 0xDC00);
        const bool follows = c == u'-' || c == u'.' || (c >= u'0' && c <= u'9') || c == 0xB7 ||
                             (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
        if (!isNameStart(c) && (i == 0 || !follows))
            return false;
        i += c >= 0x10000 ? 1 : 0;
    }
    return !name.empty();
}

// exempi's error codes for a packet it cannot parse.
std::u16string errorText(int code)
{
    switch (code) {
    case XMPErr_BadXML:
        return u"not well-formed XML";
    case XMPErr_BadRDF:
        return u"malformed RDF";
    case XMPErr_BadXMP:
        return u"RDF that is not valid XMP";
    case XMPErr_BadUnicode:
        return u"bad Unicode";
    default:
        return u"error " + Automation::decimal(code);
    }
}

struct PacketRange
{
    std::size_t begin = 0;
    std::size_t end = 0;
    bool wrapped = false;
    bool writeable = true;
};

// Where the packet's wrapper is, by byte search; the whole data without a full wrapper.
PacketRange locatePacket(const std::string &data)
{
    PacketRange range{0, data.size(), false, true};
    const std::size_t begin = data.find("<?xpacket begin");
    if (begin == std::string::npos)
        return range;
    range.begin = begin;
    const std::string_view end("<?xpacket end");
    const std::size_t trailer = data.find(end, begin);
    const std::size_t close = trailer == std::string::npos ? trailer : data.find("?>", trailer);
    if (close == std::string::npos)
        return range;
    range.end = close + 2;
    range.wrapped = true;
    // The first 'r' or 'w' after "end=" is the attribute's value: end="w", end='r'.
    for (std::size_t i = trailer + end.size(); i < close; ++i) {
        if (data[i] == 'r' || data[i] == 'w') {
            range.writeable = data[i] == 'w';
            break;
        }
    }
    return range;
}

} // namespace

struct XmpPacket::Data
{
    Xmp xmp;
    std::string original;
    std::string before;
    std::string after;
    std::size_t packetLength = 0;
    bool wrapped = false;
    bool writeable = true;

    std::optional<std::u16string> get(const char *ns, const std::string &path) const
    {
        XmpString value = newString();
        std::uint32_t bits = 0;
        if (!exempi().xmp_get_property(xmp.get(), ns, path.c_str(), value.get(), &bits) ||
            (bits & XMP_PROP_COMPOSITE_MASK) != 0)
            return std::nullopt;
        return fromXmp(value.get());
    }

    std::optional<std::u16string> localized(const char *name) const
    {
        XmpString value = newString();
        if (!exempi().xmp_get_localized_text(xmp.get(), kDc, name, "", "x-default", nullptr,
                                             value.get(), nullptr))
            return std::nullopt;
        return fromXmp(value.get());
    }

    void setLocalized(const char *name, const std::u16string &value)
    {
        if (value.empty())
            exempi().xmp_delete_property(xmp.get(), kDc, name);
        else
            exempi().xmp_set_localized_text(xmp.get(), kDc, name, "", "x-default",
                                            xmlText(value).c_str(), 0);
    }

    // Replaces the property by a simple one, or removes it for an empty value.
    void replace(const char *ns, const std::string &name, const std::u16string &value)
    {
        exempi().xmp_delete_property(xmp.get(), ns, name.c_str());
        if (!value.empty())
            exempi().xmp_set_property(xmp.get(), ns, name.c_str(), xmlText(value).c_str(), 0);
    }

    // Sets xmp: date properties to a date in PDF form, written as ISO 8601; false, changing
    // nothing, when the text is not such a date.
    bool replaceDates(std::initializer_list<const char *> names, const std::u16string &pdfDate)
    {
        const std::optional<std::u16string> date = PdfText::isoDate(pdfDate);
        if (!date)
            return false;
        for (const char *name : names)
            replace(kXmp, name, *date);
        return true;
    }

    std::optional<std::string> write(std::uint32_t options, std::uint32_t padding) const
    {
        XmpString packet = newString();
        if (!exempi().xmp_serialize(xmp.get(), packet.get(), options, padding))
            return std::nullopt;
        return bytesOf(packet.get());
    }
};

XmpPacket::XmpPacket(std::unique_ptr<Data> data) : d(std::move(data)) {}
XmpPacket::XmpPacket(XmpPacket &&other) noexcept = default;
XmpPacket &XmpPacket::operator=(XmpPacket &&other) noexcept = default;
XmpPacket::~XmpPacket() = default;

std::optional<XmpPacket> XmpPacket::parse(const std::string &streamData, std::u16string *reason)
{
    const auto fail = [reason](const std::u16string &why) {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    const PacketRange range = locatePacket(streamData);
    const std::string packet = streamData.substr(range.begin, range.end - range.begin);
    if (packet.find(kRdf) == std::string::npos)
        return fail(u"the metadata holds no RDF in UTF-8");
    if (!loadExempi())
        return fail(u"the XMP library " + utf16(ExempiLibrary) + u" cannot be loaded");
    Xmp xmp;
    {
        // exempi reports a bad packet on std::cerr too; the caller says it once.
        static std::mutex quiet;
        const std::lock_guard<std::mutex> lock(quiet);
        std::streambuf *const stream = std::cerr.rdbuf(nullptr);
        xmp.reset(exempi().xmp_new(packet.data(), packet.size()));
        std::cerr.rdbuf(stream);
    }
    if (!xmp)
        return fail(u"exempi could not parse the XMP packet: " +
                    errorText(exempi().xmp_get_error()));

    auto data = std::make_unique<Data>();
    data->xmp = std::move(xmp);
    data->original = streamData;
    data->before = streamData.substr(0, range.begin);
    data->after = streamData.substr(range.end);
    data->packetLength = packet.size();
    data->wrapped = range.wrapped;
    data->writeable = range.writeable;
    return XmpPacket(std::move(data));
}

std::optional<XmpPacket> XmpPacket::create(std::u16string *reason)
{
    if (!loadExempi()) {
        if (reason)
            *reason = u"the XMP library " + utf16(ExempiLibrary) + u" cannot be loaded";
        return std::nullopt;
    }
    auto data = std::make_unique<Data>();
    data->xmp.reset(exempi().xmp_new_empty());
    if (!data->xmp) {
        if (reason)
            *reason = u"exempi could not make a packet: " + errorText(exempi().xmp_get_error());
        return std::nullopt;
    }
    XmpPacket packet(std::move(data));
    packet.setCustomFields({});
    return packet;
}

std::optional<std::u16string> XmpPacket::title() const
{
    return d->localized("title");
}

std::optional<std::u16string> XmpPacket::description() const
{
    return d->localized("description");
}

std::optional<std::u16string> XmpPacket::author() const
{
    std::optional<std::u16string> joined;
    XmpString item = newString();
    for (std::int32_t i = 1;
         exempi().xmp_get_array_item(d->xmp.get(), kDc, "creator", i, item.get(), nullptr); ++i)
        joined = joined ? *joined + u"; " + fromXmp(item.get()) : fromXmp(item.get());
    return joined;
}

std::optional<std::u16string> XmpPacket::keywords() const
{
    return d->get(kPdf, "Keywords");
}

std::optional<std::u16string> XmpPacket::pdfx(const std::u16string &name) const
{
    if (!isPlainName(name))
        return std::nullopt;
    return d->get(kPdfx, utf8(name));
}

void XmpPacket::setTitle(const std::u16string &text)
{
    d->setLocalized("title", text);
}

void XmpPacket::setDescription(const std::u16string &text)
{
    d->setLocalized("description", text);
}

void XmpPacket::setAuthor(const std::u16string &text)
{
    exempi().xmp_delete_property(d->xmp.get(), kDc, "creator");
    if (!text.empty())
        exempi().xmp_append_array_item(d->xmp.get(), kDc, "creator", XMP_PROP_ARRAY_IS_ORDERED,
                                       xmlText(text).c_str(), 0);
}

void XmpPacket::setKeywords(const std::u16string &text)
{
    d->replace(kPdf, "Keywords", text);
}

bool XmpPacket::setPdfx(const std::u16string &name, const std::u16string &value)
{
    if (!isPlainName(name))
        return false;
    const std::string key = utf8(name);
    if (!exempi().xmp_has_property(d->xmp.get(), kPdfx, key.c_str()))
        return false;
    d->replace(kPdfx, key, value);
    return true;
}

std::optional<std::vector<XmpPacket::Field>> XmpPacket::customFields() const
{
    XmpString value = newString();
    std::uint32_t bits = 0;
    if (!exempi().xmp_get_property(d->xmp.get(), kOrvf, "fields", value.get(), &bits) ||
        (bits & XMP_PROP_VALUE_IS_ARRAY) == 0)
        return std::nullopt;
    std::vector<Field> fields;
    for (int i = 1;; ++i) {
        const std::string item = "fields[" + std::to_string(i) + "]";
        if (!exempi().xmp_has_property(d->xmp.get(), kOrvf, item.c_str()))
            break;
        fields.push_back({d->get(kOrvf, item + "/" + customPrefix + "name").value_or(u""),
                          d->get(kOrvf, item + "/" + customPrefix + "value").value_or(u"")});
    }
    return fields;
}

void XmpPacket::setCustomFields(const std::vector<Field> &fields)
{
    const Exempi &api = exempi();
    XmpPtr xmp = d->xmp.get();
    api.xmp_delete_property(xmp, kOrvf, "fields");
    api.xmp_set_property(xmp, kOrvf, "fields", nullptr, XMP_PROP_ARRAY_IS_ORDERED);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        api.xmp_append_array_item(xmp, kOrvf, "fields", XMP_PROP_ARRAY_IS_ORDERED, nullptr,
                                  XMP_PROP_VALUE_IS_STRUCT);
        const std::string item = "fields[" + std::to_string(i + 1) + "]/" + customPrefix;
        api.xmp_set_property(xmp, kOrvf, (item + "name").c_str(), xmlText(fields[i].name).c_str(),
                             0);
        api.xmp_set_property(xmp, kOrvf, (item + "value").c_str(), xmlText(fields[i].value).c_str(),
                             0);
    }
}

void XmpPacket::setProducer(const std::u16string &text)
{
    d->replace(kPdf, "Producer", text);
}

void XmpPacket::setCreatorTool(const std::u16string &text)
{
    d->replace(kXmp, "CreatorTool", text);
}

void XmpPacket::setDocumentId(const std::string &id)
{
    d->replace(kXmpMM, "DocumentID", utf16(id));
}

bool XmpPacket::hasInstanceId() const
{
    return exempi().xmp_has_property(d->xmp.get(), kXmpMM, "InstanceID");
}

void XmpPacket::setInstanceId(const std::string &id)
{
    d->replace(kXmpMM, "InstanceID", utf16(id));
}

bool XmpPacket::setCreateDate(const std::u16string &pdfDate)
{
    return d->replaceDates({"CreateDate"}, pdfDate);
}

bool XmpPacket::setMetadataDate(const std::u16string &pdfDate)
{
    return d->replaceDates({"MetadataDate"}, pdfDate);
}

bool XmpPacket::setModifyDate(const std::u16string &pdfDate)
{
    return d->replaceDates({"ModifyDate", "MetadataDate"}, pdfDate);
}

std::string XmpPacket::serialize() const
{
    const std::uint32_t access = d->writeable ? 0 : XMP_SERIAL_READONLYPACKET;
    std::optional<std::string> packet;
    if (d->wrapped) {
        // A read-only packet has no padding: its length is the least a packet can have.
        const std::optional<std::string> shortest = d->write(XMP_SERIAL_READONLYPACKET, 0);
        if (shortest && shortest->size() <= d->packetLength)
            packet = d->write(access | XMP_SERIAL_EXACTPACKETLENGTH,
                              static_cast<std::uint32_t>(d->packetLength));
    }
    if (!packet) // exempi pads only a writeable packet
        packet = d->write(access, kPadding);
    if (!packet)
        return d->original;
    return d->before + *packet + d->after;
}

} // namespace Tagora
