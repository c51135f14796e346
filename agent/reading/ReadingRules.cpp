#include "agent/reading/ReadingRules.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace clipvoice::agent::reading {

namespace {

// An address with a scheme ("https://...", "mailto:..."), one starting with
// "www.", or an e-mail address, made of the characters an address may hold
// (so that it ends where Japanese text goes on without a space), and not
// starting inside a word.
const QRegularExpression& addressPattern()
{
    // One per thread: lines are read on the synthesis thread, and the trace
    // works them out again on the user-interface thread.
    static thread_local const QRegularExpression pattern(
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

// The address rule as a rewrite step.
QList<Replacement> addressReplacements(const QString& line, QString* result, bool keepMap)
{
    if (!line.contains(QLatin1Char(':')) && !line.contains(QLatin1Char('@')) &&
        !line.contains(QLatin1String("www."), Qt::CaseInsensitive)) {
        *result = line;
        return {};
    }
    RewriteBuilder builder(line, keepMap);
    auto matches = addressPattern().globalMatch(line);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const QStringView address =
            QStringView(line).mid(match.capturedStart(), match.capturedLength());
        const qsizetype length = withoutTrailingPunctuation(address);
        if (length == 0)
            continue;
        const QString host = hostOf(address.first(length));
        builder.replace(match.capturedStart(), length,
                        host.isEmpty() ? QStringLiteral("URL") : host);
    }
    QList<Replacement> replacements = builder.replacements();
    *result = builder.finish();
    return replacements;
}

// The repeat rule as a rewrite step: each run said more than `keep` times is
// one replacement.
QList<Replacement> repeatReplacements(const QString& line, int keep, QString* result, bool keepMap)
{
    RewriteBuilder builder(line, keepMap);
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
        if (!kept && run > keep)
            builder.replace(i, run * width, QStringView(line).mid(i, keep * width));
        i += run * width;
    }
    QList<Replacement> replacements = builder.replacements();
    *result = builder.finish();
    return replacements;
}

} // namespace

namespace {

TextRewrite rewriteRules(const QString& line, const ReadingRules& rules, bool keepMap)
{
    TextRewrite rewrite{line, {}};
    if (rules.addressesAsHostName) {
        QString next;
        rewrite.map.addStep(addressReplacements(rewrite.text, &next, keepMap));
        rewrite.text = std::move(next);
    }
    if (rules.shortenRepeats) {
        QString next;
        rewrite.map.addStep(repeatReplacements(rewrite.text, 3, &next, keepMap));
        rewrite.text = std::move(next);
    }
    return rewrite;
}

} // namespace

QString sayAddressesAsHostName(const QString& line)
{
    QString result;
    addressReplacements(line, &result, false);
    return result;
}

QString shortenRepeatedCharacters(const QString& line, int keep)
{
    QString result;
    repeatReplacements(line, std::max(keep, 0), &result, false);
    return result;
}

TextRewrite rewriteByReadingRules(const QString& line, const ReadingRules& rules)
{
    return rewriteRules(line, rules, true);
}

QString applyReadingRules(const QString& line, const ReadingRules& rules)
{
    return rewriteRules(line, rules, false).text;
}

} // namespace clipvoice::agent::reading
