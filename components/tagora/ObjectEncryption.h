// SPDX-License-Identifier: Apache-2.0
// ObjectEncryption: how an object that a revision adds to an encrypted PDF is encrypted.
//
// The standard security handler encrypts every string and every stream of an object
// with a key made from the file's key and the object's number and generation: RC4 (40 to
// 128 bits, /V 1 and 2), RC4 or AES-128 through crypt filters (/V 4, where /Identity
// means not at all) and AES-256 (/V 5, one key for every object). With /EncryptMetadata
// false the XMP metadata stream stays in clear. Keys and ciphers are qpdf's: the file's
// key as qpdf computed it from the (empty) password, `QPDF::compute_data_key` and the
// crypto provider's RC4 and AES; only the padding and the random first block of AES are
// written here, as the format asks.
//
// `of` answers only for an encryption dictionary that leaves no doubt about the key: a
// dictionary that lacks its key length or names a crypt filter it does not define reads
// in qpdf by a guess, and strings encrypted with a guessed key would read back right only
// in qpdf.
#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <optional>
#include <string>

namespace Tagora {

class ObjectEncryption
{
public:
    // The encryption of `pdf`'s new objects; nothing when the file is not encrypted or
    // its encryption dictionary leaves the key or a method in doubt (`why` then says
    // what).
    static std::optional<ObjectEncryption> of(QPDF &pdf, std::u16string *why = nullptr);

    // `value`, a direct object, in PDF syntax with every string in it encrypted for
    // `object`; indirect references within it stay as they are.
    std::string syntax(QPDFObjectHandle value, QPDFObjGen object) const;
    // The data of stream `object` as the file must hold it; `metadata` for the document's
    // XMP stream, which /EncryptMetadata false leaves in clear.
    std::string stream(const std::string &data, QPDFObjGen object, bool metadata) const;

private:
    std::string encrypt(const std::string &data, QPDFObjGen object,
                        QPDF::encryption_method_e method) const;
    void encryptStrings(QPDFObjectHandle value, QPDFObjGen object) const;

    std::string m_key; // the file's key
    int m_V = 0;
    int m_R = 0;
    QPDF::encryption_method_e m_strings = QPDF::e_none;
    QPDF::encryption_method_e m_streams = QPDF::e_none;
    bool m_metadata = true; // whether the metadata stream is encrypted
};

} // namespace Tagora
