#include "platform/agent/AgentCallFormat.h"

#include <utility>

namespace clipvoice::platform::agent {

CallValue CallValue::string(QString text)
{
    CallValue value;
    value.m_kind = Kind::String;
    value.m_text = std::move(text);
    return value;
}

CallValue CallValue::integer(qint64 number)
{
    CallValue value;
    value.m_kind = Kind::Integer;
    value.m_number = number;
    return value;
}

CallValue CallValue::boolean(bool flag)
{
    CallValue value;
    value.m_kind = Kind::Boolean;
    value.m_number = flag ? 1 : 0;
    return value;
}

CallValue CallValue::of(const std::optional<QString>& text)
{
    return text ? string(*text) : omitted();
}

CallValue CallValue::of(std::optional<bool> flag)
{
    return flag ? boolean(*flag) : omitted();
}

AgentCall& AgentCall::succeed(std::optional<CallValue> shown)
{
    ok = true;
    value = std::move(shown);
    error.clear();
    return *this;
}

AgentCall& AgentCall::fail(QString reason)
{
    ok = false;
    value.reset();
    error = std::move(reason);
    return *this;
}

namespace calls {

namespace {

AgentCall call(QLatin1String name, QList<CallValue> arguments = {})
{
    AgentCall result;
    result.operation = name;
    result.arguments = std::move(arguments);
    return result;
}

} // namespace

AgentCall unload(const QString& characterId)
{
    return call(operation::charactersUnload, {CallValue::string(characterId)});
}

AgentCall load(const QString& characterId, const QString& file)
{
    return call(operation::charactersLoad,
                {CallValue::string(characterId), CallValue::string(file)});
}

AgentCall item(const QString& characterId)
{
    return call(operation::charactersItem, {CallValue::string(characterId)});
}

AgentCall addCommand(const QString& name, const QString& caption,
                     const std::optional<QString>& voice, std::optional<bool> enabled,
                     std::optional<bool> visible)
{
    return call(operation::commandsAdd,
                {CallValue::string(name), CallValue::string(caption), CallValue::of(voice),
                 CallValue::of(enabled), CallValue::of(visible)});
}

AgentCall show(std::optional<bool> fast)
{
    return call(operation::show, {CallValue::of(fast)});
}

AgentCall hide(std::optional<bool> fast)
{
    return call(operation::hide, {CallValue::of(fast)});
}

AgentCall visible()
{
    return call(operation::visible);
}

AgentCall play(const QString& animation)
{
    return call(operation::play, {CallValue::string(animation)});
}

AgentCall speak(const QString& text, const std::optional<QString>& url)
{
    return call(operation::speak, {CallValue::string(text), CallValue::of(url)});
}

AgentCall think(const QString& text)
{
    return call(operation::think, {CallValue::string(text)});
}

AgentCall saveSpeech(const QString& text, const QString& path)
{
    return call(operation::saveSpeech, {CallValue::string(text), CallValue::string(path)});
}

AgentCall stop(std::optional<qint64> requestNumber)
{
    return call(operation::stop,
                {requestNumber ? CallValue::integer(*requestNumber) : CallValue::omitted()});
}

AgentCall languageId(qint32 languageId)
{
    return call(operation::languageId, {CallValue::integer(languageId)});
}

AgentCall propertySheetVisible(bool visible)
{
    return call(operation::propertySheetVisible, {CallValue::boolean(visible)});
}

AgentCall commandEvent(const QString& name)
{
    AgentCall result = call(operation::commandEvent, {CallValue::string(name)});
    result.isEvent = true;
    return result;
}

} // namespace calls

namespace {

using namespace callMarks;

// Appends text with backslash, control characters and unpaired surrogates
// escaped; the double quote too when inside a quoted string.
void appendEscaped(QString& out, const QString& text, bool escapeQuote)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u == u'\\') {
            out += QLatin1String("\\\\");
        } else if (u == u'"' && escapeQuote) {
            out += QLatin1String("\\\"");
        } else if (u == u'\n') {
            out += QLatin1String("\\n");
        } else if (u == u'\r') {
            out += QLatin1String("\\r");
        } else if (u == u'\t') {
            out += QLatin1String("\\t");
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(i + 1);
            ++i;
        } else if (u < 0x20 || (u >= 0x7f && u <= 0x9f) || c.isSurrogate()) {
            out += QStringLiteral("\\u%1").arg(static_cast<uint>(u), 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
}

} // namespace

QString AgentCallFormat::quote(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    appendEscaped(out, text, true);
    out += u'"';
    return out;
}

QString AgentCallFormat::formatValue(const CallValue& value)
{
    switch (value.kind()) {
    case CallValue::Kind::String:
        return quote(value.text());
    case CallValue::Kind::Integer:
        return QString::number(value.number());
    case CallValue::Kind::Boolean:
        return value.flag() ? QString(trueWord) : QString(falseWord);
    case CallValue::Kind::Omitted:
        break;
    }
    return omittedWord;
}

QString AgentCallFormat::format(const AgentCall& call)
{
    QString line;
    if (call.isEvent)
        line += eventMark;
    line += call.operation;
    line += u'(';
    for (qsizetype i = 0; i < call.arguments.size(); ++i) {
        if (i > 0)
            line += QLatin1String(", ");
        line += formatValue(call.arguments.at(i));
    }
    line += u')';
    if (call.isEvent)
        return line;
    if (!call.ok) {
        line += failedMark;
        appendEscaped(line, call.error, false);
    } else if (call.value) {
        line += valueMark;
        line += formatValue(*call.value);
    } else {
        line += okMark;
    }
    return line;
}

} // namespace clipvoice::platform::agent
