// SPDX-License-Identifier: Apache-2.0
#include "LanguageStore.h"

#include "automation/AutomationError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringConverter>

#include <algorithm>

namespace TextStore {

namespace {

constexpr QChar Separator(0x1F); // cannot occur in application or language names

[[noreturn]] void invalid(const QString &path, int line, const QString &reason)
{
    Automation::raise(
        Automation::InvalidFileFormat,
        QStringLiteral("Invalid file format: %1, line %2: %3").arg(path).arg(line).arg(reason));
}

QString unescape(QStringView text, const QString &path, int line)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            result += text[i];
            continue;
        }
        if (++i == text.size())
            invalid(path, line, QStringLiteral("a text ends with a lone \\"));
        switch (text[i].unicode()) {
        case 'r':
            result += u'\r';
            break;
        case 'n':
            result += u'\n';
            break;
        case 't':
            result += u'\t';
            break;
        case 's':
            result += u' ';
            break;
        case '\\':
            result += u'\\';
            break;
        default:
            invalid(path, line, QStringLiteral("unknown escape \\%1").arg(text[i]));
        }
    }
    return result;
}

QString escape(const QString &text)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\')
            result += QStringLiteral("\\\\");
        else if (c == u'\r')
            result += QStringLiteral("\\r");
        else if (c == u'\n')
            result += QStringLiteral("\\n");
        else if (c == u'\t')
            result += QStringLiteral("\\t");
        else if (c == u' ' && (i == 0 || i == text.size() - 1))
            result += QStringLiteral("\\s");
        else
            result += c;
    }
    return result;
}

QString firstLine(const QByteArray &bytes)
{
    QByteArray line = bytes.left(bytes.indexOf('\n'));
    if (line.startsWith("\xEF\xBB\xBF"))
        line.remove(0, 3);
    return QString::fromUtf8(line).trimmed();
}

} // namespace

LanguageStore::LanguageStore(QObject *parent) : QObject(parent) {}

void LanguageStore::Initialize(const QString &application, const QString &language)
{
    m_application = application;
    m_language = language;
}

void LanguageStore::Clear()
{
    m_texts.clear();
}

QString LanguageStore::fullKey(const QString &key, const QString &application,
                               const QString &language) const
{
    const QString app = application.isEmpty() ? m_application : application;
    const QString lang = language.isEmpty() ? m_language : language;
    return app.toLower() + Separator + lang.toLower() + Separator + key;
}

void LanguageStore::AddEntry(const QString &key, const QString &application,
                             const QString &language, const QString &text)
{
    m_texts.insert(fullKey(key, application, language), text);
}

QString LanguageStore::Entry(const QString &key, const QString &application,
                             const QString &language) const
{
    return m_texts.value(fullKey(key, application, language));
}

void LanguageStore::SaveFile(const QString &path, const QString &language) const
{
    const QString prefix = fullKey(QString(), QString(), language);
    QStringList lines;
    for (auto it = m_texts.cbegin(); it != m_texts.cend(); ++it)
        if (it.key().startsWith(prefix))
            lines.append(it.key().mid(prefix.size()) + QStringLiteral(" = ") + escape(it.value()));
    std::sort(lines.begin(), lines.end());

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        Automation::raise(
            Automation::PathFileAccessError,
            QStringLiteral("Path/File access error: %1: %2").arg(path, file.errorString()));
    const QString text = QString(Signature) + QStringLiteral("\nApplication = ") + m_application +
                         QStringLiteral("\nLanguage = ") +
                         (language.isEmpty() ? m_language : language) +
                         QStringLiteral("\n\n[Texts]\n") + lines.join(u'\n') + u'\n';
    file.write(text.toUtf8());
    if (!file.commit())
        Automation::raise(
            Automation::PathFileAccessError,
            QStringLiteral("Path/File access error: %1: %2").arg(path, file.errorString()));
}

void LanguageStore::LoadFile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile())
        Automation::raise(Automation::FileNotFound, QStringLiteral("File not found: %1").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        Automation::raise(
            Automation::PathFileAccessError,
            QStringLiteral("Path/File access error: %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (firstLine(bytes) != Signature)
        invalid(path, 1, QStringLiteral("the first line is not \"%1\"").arg(Signature));

    auto decoder = QStringDecoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        invalid(path, 0, QStringLiteral("the file is not UTF-8 text"));

    // Everything is checked before the first text is filed, so a damaged file
    // files nothing.
    QString application;
    QString language;
    bool inTexts = false;
    QList<std::pair<QString, QString>> texts;
    const QStringList lines = text.split(u'\n');
    for (int number = 2; number <= lines.size(); ++number) {
        const QString line = lines.at(number - 1).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line == QLatin1String("[Texts]")) {
            if (application.isEmpty() || language.isEmpty())
                invalid(path, number,
                        QStringLiteral("[Texts] comes before Application and Language"));
            inTexts = true;
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        const QString key = line.left(equals).trimmed();
        if (equals < 0 || key.isEmpty())
            invalid(path, number, QStringLiteral("expected Key = Text"));
        const QString value = unescape(QStringView(line).mid(equals + 1).trimmed(), path, number);
        if (inTexts) {
            texts.append({key, value});
        } else if (key.compare(QLatin1String("Application"), Qt::CaseInsensitive) == 0) {
            application = value;
        } else if (key.compare(QLatin1String("Language"), Qt::CaseInsensitive) == 0) {
            language = value;
        } else {
            invalid(path, number, QStringLiteral("unknown header line \"%1\"").arg(key));
        }
    }
    if (!inTexts)
        invalid(path, int(lines.size()), QStringLiteral("the file has no [Texts] section"));
    for (const auto &[key, value] : texts)
        AddEntry(key, application, language, value);
}

bool LanguageStore::IsForeignFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return firstLine(file.read(256)) != Signature;
}

} // namespace TextStore
