// SPDX-License-Identifier: Apache-2.0
#include "ObjectEncryption.h"

#include "automation/Text.h"

#include <qpdf/QPDFCryptoProvider.hh>

#include <vector>

namespace Tagora {

namespace {

// The method a crypt filter named `name` stands for in dictionary `encrypt` (/V 4 and 5),
// or e_unknown when the dictionary does not define it.
QPDF::encryption_method_e filterMethod(QPDFObjectHandle encrypt, const char *key)
{
    QPDFObjectHandle name = encrypt.getKey(key);
    if (name.isNull() || name.isNameAndEquals("/Identity"))
        return QPDF::e_none;
    QPDFObjectHandle filters = encrypt.getKey("/CF");
    if (!name.isName() || !filters.isDictionary())
        return QPDF::e_unknown;
    QPDFObjectHandle filter = filters.getKey(name.getName());
    if (!filter.isDictionary())
        return QPDF::e_unknown;
    QPDFObjectHandle method = filter.getKey("/CFM");
    if (method.isNameAndEquals("/V2"))
        return QPDF::e_rc4;
    if (method.isNameAndEquals("/AESV2"))
        return QPDF::e_aes;
    if (method.isNameAndEquals("/AESV3"))
        return QPDF::e_aesv3;
    return QPDF::e_unknown;
}

std::optional<ObjectEncryption> doubtful(std::u16string *why, std::u16string_view what)
{
    if (why)
        *why = std::u16string(what);
    return std::nullopt;
}

} // namespace

std::optional<ObjectEncryption> ObjectEncryption::of(QPDF &pdf, std::u16string *why)
{
    ObjectEncryption encryption;
    int P = 0;
    QPDF::encryption_method_e files = QPDF::e_none;
    if (!pdf.isEncrypted(encryption.m_R, P, encryption.m_V, encryption.m_streams,
                         encryption.m_strings, files))
        return std::nullopt;
    QPDFObjectHandle encrypt = pdf.getTrailer().getKey("/Encrypt");
    const int V = encryption.m_V;
    const int R = encryption.m_R;
    if (!encrypt.getKey("/Filter").isNameAndEquals("/Standard"))
        return doubtful(why, u"names no standard security handler");
    // The key's length in bits, as the dictionary gives it.
    QPDFObjectHandle length = encrypt.getKey("/Length");
    int bits = 0;
    if (V == 1 && R == 2)
        bits = 40;
    else if (V == 5 && (R == 5 || R == 6))
        bits = 256;
    else if ((V == 2 && R == 3) || (V == 4 && R == 4)) {
        if (!length.isInteger())
            return doubtful(why, u"gives no key length");
        bits = length.getIntValueAsInt();
        if (bits % 8 != 0 || bits < 40 || bits > 128)
            return doubtful(why, u"gives a key length out of range");
    } else
        return doubtful(why, u"has a version and revision that do not go together");
    if (encryption.m_key.assign(pdf.getEncryptionKey()).size() != size_t(bits / 8))
        return doubtful(why, u"gives a key length that is not the key's");

    if (V >= 4) {
        // qpdf reads an undefined crypt filter as its default; other readers may not.
        if (filterMethod(encrypt, "/StmF") != encryption.m_streams ||
            filterMethod(encrypt, "/StrF") != encryption.m_strings ||
            encryption.m_streams == QPDF::e_unknown || encryption.m_strings == QPDF::e_unknown)
            return doubtful(why, u"names a crypt filter it does not define");
        QPDFObjectHandle metadata = encrypt.getKey("/EncryptMetadata");
        if (!metadata.isNull() && !metadata.isBool())
            return doubtful(why, u"has an /EncryptMetadata that is not a boolean");
        encryption.m_metadata = !metadata.isBool() || metadata.getBoolValue();
    } else {
        // Before crypt filters everything is RC4 (qpdf names no method then).
        encryption.m_streams = encryption.m_strings = QPDF::e_rc4;
    }
    return encryption;
}

std::string ObjectEncryption::encrypt(const std::string &data, QPDFObjGen object,
                                      QPDF::encryption_method_e method) const
{
    if (method == QPDF::e_none)
        return data;
    const std::string key = QPDF::compute_data_key(m_key, object.getObj(), object.getGen(),
                                                   method == QPDF::e_aes, m_V, m_R);
    const std::shared_ptr<QPDFCryptoImpl> crypto = QPDFCryptoProvider::getImpl();
    const auto *keyBytes = reinterpret_cast<const unsigned char *>(key.data());
    if (method == QPDF::e_rc4) {
        std::string out(data.size(), '\0');
        crypto->RC4_init(keyBytes, int(key.size()));
        crypto->RC4_process(reinterpret_cast<const unsigned char *>(data.data()), data.size(),
                            reinterpret_cast<unsigned char *>(out.data()));
        crypto->RC4_finalize();
        return out;
    }
    // AES in CBC mode: a random first block, then the data padded to whole blocks, each
    // pad byte giving the pad's length.
    constexpr size_t Block = QPDFCryptoImpl::rijndael_buf_size;
    unsigned char vector[Block];
    crypto->provideRandomData(vector, Block);
    std::string padded = data;
    padded.append(Block - data.size() % Block, char(Block - data.size() % Block));
    std::string out(reinterpret_cast<const char *>(vector), Block);
    out.resize(Block + padded.size());
    crypto->rijndael_init(true, keyBytes, key.size(), true, vector);
    for (size_t at = 0; at < padded.size(); at += Block)
        crypto->rijndael_process(reinterpret_cast<unsigned char *>(padded.data() + at),
                                 reinterpret_cast<unsigned char *>(out.data() + Block + at));
    crypto->rijndael_finalize();
    return out;
}

std::string ObjectEncryption::syntax(QPDFObjectHandle value, QPDFObjGen object) const
{
    if (value.isIndirect())
        return value.unparse();
    if (value.isString())
        return QPDFObjectHandle::newString(encrypt(value.getStringValue(), object, m_strings))
            .unparse();
    if (value.isArray()) {
        std::string out("[");
        for (QPDFObjectHandle item : value.aitems())
            out += (out.size() > 1 ? " " : "") + syntax(item, object);
        return out + "]";
    }
    if (value.isDictionary() && !value.isStream()) {
        std::string out("<<");
        for (const auto &[key, item] : value.ditems())
            out += ' ' + QPDFObjectHandle::newName(key).unparse() + ' ' + syntax(item, object);
        return out + " >>";
    }
    return value.unparse();
}

std::string ObjectEncryption::stream(const std::string &data, QPDFObjGen object,
                                     bool metadata) const
{
    return metadata && !m_metadata ? data : encrypt(data, object, m_streams);
}

} // namespace Tagora
