// SPDX-License-Identifier: Apache-2.0
#include "XmpPacket.h"

#include <dlfcn.h>
#include <exempi/xmp.h>
#include <exempi/xmperrors.h>

#include "PdfText.h"

#include <QStringView>

#include <array>
#include <cstdint>
#include <iostream>
#include <mutex>
#include <type_traits>

namespace Tagora {

namespace {

constexpr char kDc[] = "http://purl.org/dc/elements/1.1/";
constexpr char kPdf[] = "http://ns.adobe.com/pdf/1.3/";
constexpr char kPdfx[] = "http://ns.adobe.com/pdfx/1.3/";
constexpr char kXmp[] = "http://ns.adobe.com/xap/1.0/";
constexpr char kRdf[] = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";

// Padding of a writeable packet that does not fit in its old length.
constexpr std::uint32_t kPadding = 2048;

// exempi is loaded when a program first reads a packet, not when it starts: most runs
// read no XMP, and binding the library's symbols would cost every start. Its file name
// is the one its package installs.
constexpr char ExempiLibrary[] = "libexempi.so.8";

struct Exempi
{
    decltype(&::xmp_append_array_item) xmp_append_array_item = nullptr;
    decltype(&::xmp_delete_property) xmp_delete_property = nullptr;
    decltype(&::xmp_free) xmp_free = nullptr;
    decltype(&::xmp_get_array_item) xmp_get_array_item = nullptr;
    decltype(&::xmp_get_error) xmp_get_error = nullptr;
    decltype(&::xmp_get_localized_text) xmp_get_localized_text = nullptr;
    decltype(&::xmp_get_property) xmp_get_property = nullptr;
    decltype(&::xmp_has_property) xmp_has_property = nullptr;
    decltype(&::xmp_init) xmp_init = nullptr;
    decltype(&::xmp_namespace_prefix) xmp_namespace_prefix = nullptr;
    decltype(&::xmp_new) xmp_new = nullptr;
    decltype(&::xmp_serialize) xmp_serialize = nullptr;
    decltype(&::xmp_set_localized_text) xmp_set_localized_text = nullptr;
    decltype(&::xmp_set_property) xmp_set_property = nullptr;
    decltype(&::xmp_string_cstr) xmp_string_cstr = nullptr;
    decltype(&::xmp_string_free) xmp_string_free = nullptr;
    decltype(&::xmp_string_len) xmp_string_len = nullptr;
    decltype(&::xmp_string_new) xmp_string_new = nullptr;
};

// The library, loaded and initialised once; nothing when it is not installed.
const Exempi *loadExempi()
{
    static const Exempi *loaded = []() -> const Exempi * {
        void *handle = ::dlopen(ExempiLibrary, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return nullptr;
        static Exempi api;
        bool complete = true;
        auto bind = [&](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                ::dlsym(handle, name));
            complete = complete && function;
        };
        bind(api.xmp_append_array_item, "xmp_append_array_item");
        bind(api.xmp_delete_property, "xmp_delete_property");
        bind(api.xmp_free, "xmp_free");
        bind(api.xmp_get_array_item, "xmp_get_array_item");
        bind(api.xmp_get_error, "xmp_get_error");
        bind(api.xmp_get_localized_text, "xmp_get_localized_text");
        bind(api.xmp_get_property, "xmp_get_property");
        bind(api.xmp_has_property, "xmp_has_property");
        bind(api.xmp_init, "xmp_init");
        bind(api.xmp_namespace_prefix, "xmp_namespace_prefix");
        bind(api.xmp_new, "xmp_new");
        bind(api.xmp_serialize, "xmp_serialize");
        bind(api.xmp_set_localized_text, "xmp_set_localized_text");
        bind(api.xmp_set_property, "xmp_set_property");
        bind(api.xmp_string_cstr, "xmp_string_cstr");
        bind(api.xmp_string_free, "xmp_string_free");
        bind(api.xmp_string_len, "xmp_string_len");
        bind(api.xmp_string_new, "xmp_string_new");
        return complete && api.xmp_init() ? &api : nullptr;
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

QString fromXmp(XmpStringPtr value)
{
    return QString::fromUtf8(exempi().xmp_string_cstr(value),
                             static_cast<qsizetype>(exempi().xmp_string_len(value)));
}

// `value` in UTF-8, with a space for each character that XML 1.0 does not allow.
QByteArray xmlText(const QString &value)
{
    QString clean = value;
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const char16_t c = clean.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < clean.size() &&
            QChar::isLowSurrogate(clean.at(i + 1).unicode())) {
            ++i;
            continue;
        }
        const bool control = (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0x7F;
        if (control || c == 0xFFFE || c == 0xFFFF || QChar::isSurrogate(c))
            clean[i] = u' ';
    }
    return clean.toUtf8();
}

// An XML name without prefix, also a safe exempi path step.
bool isPlainName(const QString &name)
{
    if (name.isEmpty() || !(name.front().isLetter() || name.front() == u'_'))
        return false;
    for (const QChar c : name) {
        if (!c.isLetterOrNumber() && c != u'_' && c != u'-' && c != u'.')
            return false;
    }
    return true;
}

// exempi's error codes for a packet it cannot parse.
QString errorText(int code)
{
    switch (code) {
    case XMPErr_BadXML:
        return QStringLiteral("not well-formed XML");
    case XMPErr_BadRDF:
        return QStringLiteral("malformed RDF");
    case XMPErr_BadXMP:
        return QStringLiteral("RDF that is not valid XMP");
    case XMPErr_BadUnicode:
        return QStringLiteral("bad Unicode");
    default:
        return QStringLiteral("error %1").arg(code);
    }
}

struct PacketRange
{
    qsizetype begin = 0;
    qsizetype end = 0;
    bool wrapped = false;
    bool writeable = true;
};

// Where the packet's wrapper is, by byte search; the whole data without a full wrapper.
PacketRange locatePacket(const QByteArray &data)
{
    PacketRange range{0, data.size(), false, true};
    const qsizetype begin = data.indexOf("<?xpacket begin");
    if (begin < 0)
        return range;
    range.begin = begin;
    const qsizetype trailer = data.indexOf("<?xpacket end", begin);
    const qsizetype close = trailer < 0 ? -1 : data.indexOf("?>", trailer);
    if (close < 0)
        return range;
    range.end = close + 2;
    range.wrapped = true;
    // The first 'r' or 'w' after "end=" is the attribute's value: end="w", end='r'.
    for (qsizetype i = trailer + static_cast<qsizetype>(sizeof("<?xpacket end") - 1); i < close;
         ++i) {
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
    QByteArray original;
    QByteArray before;
    QByteArray after;
    qsizetype packetLength = 0;
    bool wrapped = false;
    bool writeable = true;

    std::optional<QString> get(const char *ns, const QByteArray &path) const
    {
        XmpString value = newString();
        std::uint32_t bits = 0;
        if (!exempi().xmp_get_property(xmp.get(), ns, path.constData(), value.get(), &bits) ||
            (bits & XMP_PROP_COMPOSITE_MASK) != 0)
            return std::nullopt;
        return fromXmp(value.get());
    }

    std::optional<QString> localized(const char *name) const
    {
        XmpString value = newString();
        if (!exempi().xmp_get_localized_text(xmp.get(), kDc, name, "", "x-default", nullptr,
                                             value.get(), nullptr))
            return std::nullopt;
        return fromXmp(value.get());
    }

    void setLocalized(const char *name, const QString &value)
    {
        if (value.isEmpty())
            exempi().xmp_delete_property(xmp.get(), kDc, name);
        else
            exempi().xmp_set_localized_text(xmp.get(), kDc, name, "", "x-default",
                                            xmlText(value).constData(), 0);
    }

    // Replaces the property by a simple one, or removes it for an empty value.
    void replace(const char *ns, const QByteArray &name, const QString &value)
    {
        exempi().xmp_delete_property(xmp.get(), ns, name.constData());
        if (!value.isEmpty())
            exempi().xmp_set_property(xmp.get(), ns, name.constData(), xmlText(value).constData(),
                                      0);
    }

    void setModifyDate(const QString &isoDate)
    {
        replace(kXmp, "ModifyDate", isoDate);
        replace(kXmp, "MetadataDate", isoDate);
    }

    std::optional<QByteArray> write(std::uint32_t options, std::uint32_t padding) const
    {
        XmpString packet = newString();
        if (!exempi().xmp_serialize(xmp.get(), packet.get(), options, padding))
            return std::nullopt;
        return QByteArray(exempi().xmp_string_cstr(packet.get()),
                          static_cast<qsizetype>(exempi().xmp_string_len(packet.get())));
    }
};

XmpPacket::XmpPacket(std::unique_ptr<Data> data) : d(std::move(data)) {}
XmpPacket::XmpPacket(XmpPacket &&other) noexcept = default;
XmpPacket &XmpPacket::operator=(XmpPacket &&other) noexcept = default;
XmpPacket::~XmpPacket() = default;

std::optional<XmpPacket> XmpPacket::parse(const QByteArray &streamData, QString *reason)
{
    const auto fail = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    const PacketRange range = locatePacket(streamData);
    const QByteArray packet = streamData.mid(range.begin, range.end - range.begin);
    if (!packet.contains(kRdf))
        return fail(QStringLiteral("the metadata holds no RDF in UTF-8"));
    if (!loadExempi())
        return fail(QStringLiteral("the XMP library %1 cannot be loaded")
                        .arg(QLatin1String(ExempiLibrary)));
    Xmp xmp;
    {
        // exempi reports a bad packet on std::cerr too; the caller says it once.
        static std::mutex quiet;
        const std::lock_guard<std::mutex> lock(quiet);
        std::streambuf *const stream = std::cerr.rdbuf(nullptr);
        xmp.reset(exempi().xmp_new(packet.constData(), static_cast<std::size_t>(packet.size())));
        std::cerr.rdbuf(stream);
    }
    if (!xmp)
        return fail(QStringLiteral("exempi could not parse the XMP packet: %1")
                        .arg(errorText(exempi().xmp_get_error())));

    auto data = std::make_unique<Data>();
    data->xmp = std::move(xmp);
    data->original = streamData;
    data->before = streamData.left(range.begin);
    data->after = streamData.mid(range.end);
    data->packetLength = packet.size();
    data->wrapped = range.wrapped;
    data->writeable = range.writeable;
    return XmpPacket(std::move(data));
}

std::optional<QString> XmpPacket::title() const
{
    return d->localized("title");
}

std::optional<QString> XmpPacket::description() const
{
    return d->localized("description");
}

std::optional<QString> XmpPacket::author() const
{
    std::optional<QString> joined;
    XmpString item = newString();
    for (std::int32_t i = 1;
         exempi().xmp_get_array_item(d->xmp.get(), kDc, "creator", i, item.get(), nullptr); ++i) {
        joined =
            joined ? *joined + QStringLiteral("; ") + fromXmp(item.get()) : fromXmp(item.get());
    }
    return joined;
}

std::optional<QString> XmpPacket::keywords() const
{
    return d->get(kPdf, "Keywords");
}

std::optional<QString> XmpPacket::pdfx(const QString &name) const
{
    if (!isPlainName(name))
        return std::nullopt;
    return d->get(kPdfx, name.toUtf8());
}

void XmpPacket::setTitle(const QString &text)
{
    d->setLocalized("title", text);
}

void XmpPacket::setDescription(const QString &text)
{
    d->setLocalized("description", text);
}

void XmpPacket::setAuthor(const QString &text)
{
    exempi().xmp_delete_property(d->xmp.get(), kDc, "creator");
    if (!text.isEmpty())
        exempi().xmp_append_array_item(d->xmp.get(), kDc, "creator", XMP_PROP_ARRAY_IS_ORDERED,
                                       xmlText(text).constData(), 0);
}

void XmpPacket::setKeywords(const QString &text)
{
    d->replace(kPdf, "Keywords", text);
}

bool XmpPacket::setPdfx(const QString &name, const QString &value)
{
    if (!isPlainName(name))
        return false;
    const QByteArray key = name.toUtf8();
    if (!exempi().xmp_has_property(d->xmp.get(), kPdfx, key.constData()))
        return false;
    d->replace(kPdfx, key, value);
    return true;
}

bool XmpPacket::setModifyDate(const QString &pdfDate)
{
    const std::optional<QString> date = PdfText::isoDate(pdfDate);
    if (!date)
        return false;
    d->setModifyDate(*date);
    return true;
}

QByteArray XmpPacket::serialize() const
{
    const std::uint32_t access = d->writeable ? 0 : XMP_SERIAL_READONLYPACKET;
    std::optional<QByteArray> packet;
    if (d->wrapped) {
        // A read-only packet has no padding: its length is the least a packet can have.
        const std::optional<QByteArray> shortest = d->write(XMP_SERIAL_READONLYPACKET, 0);
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
