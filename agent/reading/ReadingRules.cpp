#include "agent/reading/ReadingRules.h"

#include <QRegularExpression>
#include <QUrl>

namespace clipvoice::agent::reading {

namespace {

// An address with a scheme ("https://...", "mailto:..."), one starting with
// "www.", or an e-mail address, made of the characters an address may hold
// (so that it ends where Japanese text goes on without a space), and not
// starting inside a word.
const QRegularExpression& addressPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral(
            R"re((?<![A-Za-z0-9_@.\-])(?:[a-z][a-z0-9+.\-]{1,15}://|mailto:|www\.))re"
            R"re([A-Za-z0-9\-._~:/?#\[\]@!$&'()*+,;=%]+)re"
            R"re(|(?<![A-Za-z0-9_@.+\-])[A-Za-z0-9._%+\-]+@[A-Za-z0-9\-]+(?:\.[A-Za-z0-9\-]+)+)re"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// Punctuation that ends a sentence or closes a bracket rather than belonging
// to the address before it.
qsizetype withoutTrailingPunctuation(QStringView address)
{
    qsizetype end = address.size();
    while (end > 0) {
        const QChar c = address.at(end - 1);
        if (QStringLiteral(".,;:!?)]}。、」』）").contains(c))
            --end;
        else
            break;
    }
    return end;
}

QString hostOf(QStringView address)
{
    const bool hasScheme = address.contains(QLatin1String("://"));
    if (!hasScheme && address.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
        address = address.mid(7);
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    if (!hasScheme && at >= 0) // an e-mail address
        return address.mid(at + 1).toString().toLower();
    QString text = address.toString();
    if (!hasScheme)
        text.prepend(QStringLiteral("http://"));
    QString host = QUrl(text, QUrl::TolerantMode).host();
    if (host.startsWith(QLatin1String("www.")))
        host.remove(0, 4);
    return host;
}

} // namespace

QString sayAddressesAsHostName(const QString& line)
{
    if (!line.contains(QLatin1Char(':')) && !line.contains(QLatin1Char('@')) &&
        !line.contains(QLatin1String("www."), Qt::CaseInsensitive))
        return line;
    QString result;
    qsizetype copiedUpTo = 0;
    auto matches = addressPattern().globalMatch(line);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const QStringView address =
            QStringView(line).mid(match.capturedStart(), match.capturedLength());
        const qsizetype length = withoutTrailingPunctuation(address);
        if (length == 0)
            continue;
        const QString host = hostOf(address.first(length));
        result.append(QStringView(line).mid(copiedUpTo, match.capturedStart() - copiedUpTo));
        result.append(host.isEmpty() ? QStringLiteral("URL") : host);
        copiedUpTo = match.capturedStart() + length;
    }
    if (copiedUpTo == 0)
        return line;
    result.append(QStringView(line).mid(copiedUpTo));
    return result;
}

QString shortenRepeatedCharacters(const QString& line, int keep)
{
    QString result;
    result.reserve(line.size());
    qsizetype i = 0;
    while (i < line.size()) {
        // One character, a surrogate pair counted as one.
        const qsizetype width =
            line.at(i).isHighSurrogate() && i + 1 < line.size() && line.at(i + 1).isLowSurrogate()
                ? 2
                : 1;
        const QStringView character = QStringView(line).mid(i, width);
        qsizetype run = 1;
        while (i + (run + 1) * width <= line.size() &&
               QStringView(line).mid(i + run * width, width) == character)
            ++run;
        const char32_t c = width == 2 ? QChar::surrogateToUcs4(character[0], character[1])
                                      : character[0].unicode();
        const bool kept = QChar::isDigit(c) || QChar::isSpace(c);
        const qsizetype said = kept ? run : std::min<qsizetype>(run, keep);
        for (qsizetype n = 0; n < said; ++n)
            result.append(character);
        i += run * width;
    }
    return result;
}

QString applyReadingRules(const QString& line, const ReadingRules& rules)
{
    QString result = line;
    if (rules.addressesAsHostName)
        result = sayAddressesAsHostName(result);
    if (rules.shortenRepeats)
        result = shortenRepeatedCharacters(result);
    return result;
}

} // namespace clipvoice::agent::reading
