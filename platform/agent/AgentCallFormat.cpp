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

const QLatin1String okMark(" -> ok");
const QLatin1String valueMark(" -> ok: ");
const QLatin1String failedMark(" -> failed: ");
const QLatin1String eventMark("event ");
const QLatin1String omittedWord("omitted");
const QLatin1String trueWord("true");
const QLatin1String falseWord("false");

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

// Reads the text of one line from left to right.
class Reader
{
public:
    explicit Reader(QStringView line)
        : m_line(line)
    {}

    bool atEnd() const { return m_pos >= m_line.size(); }
    QStringView rest() const { return m_line.mid(m_pos); }

    bool take(QLatin1String word)
    {
        if (!rest().startsWith(word))
            return false;
        m_pos += word.size();
        return true;
    }

    bool take(char16_t c)
    {
        if (atEnd() || m_line.at(m_pos).unicode() != c)
            return false;
        ++m_pos;
        return true;
    }

    QString failure(const QString& what) const
    {
        return QStringLiteral("column %1: %2").arg(m_pos + 1).arg(what);
    }

    // An operation name: letters, digits and dots.
    QString name()
    {
        const qsizetype start = m_pos;
        while (!atEnd() && (m_line.at(m_pos).isLetterOrNumber() || m_line.at(m_pos) == u'.'))
            ++m_pos;
        return m_line.mid(start, m_pos - start).toString();
    }

    // Unescapes up to the closing quote (when quoted) or the end of the line.
    AgentResult<QString> escaped(bool quoted)
    {
        QString text;
        while (!atEnd()) {
            const QChar c = m_line.at(m_pos);
            if (quoted && c == u'"') {
                ++m_pos;
                return text;
            }
            ++m_pos;
            if (c != u'\\') {
                text += c;
                continue;
            }
            if (atEnd())
                return AgentResult<QString>::failure(failure(QStringLiteral("backslash at end")));
            const QChar e = m_line.at(m_pos++);
            switch (e.unicode()) {
            case u'\\':
            case u'"':
                text += e;
                break;
            case u'n':
                text += u'\n';
                break;
            case u'r':
                text += u'\r';
                break;
            case u't':
                text += u'\t';
                break;
            case u'u': {
                bool hex = m_pos + 4 <= m_line.size();
                const uint code = hex ? m_line.mid(m_pos, 4).toUInt(&hex, 16) : 0;
                if (!hex)
                    return AgentResult<QString>::failure(
                        failure(QStringLiteral("\\u needs four hex digits")));
                text += QChar(static_cast<char16_t>(code));
                m_pos += 4;
                break;
            }
            default:
                return AgentResult<QString>::failure(
                    failure(QStringLiteral("unknown escape \\%1").arg(e)));
            }
        }
        if (quoted)
            return AgentResult<QString>::failure(failure(QStringLiteral("unterminated string")));
        return text;
    }

    AgentResult<CallValue> value()
    {
        if (take(u'"')) {
            AgentResult<QString> text = escaped(true);
            if (!text)
                return AgentResult<CallValue>::failure(text.error());
            return CallValue::string(std::move(text.value()));
        }
        if (take(omittedWord))
            return CallValue::omitted();
        if (take(trueWord))
            return CallValue::boolean(true);
        if (take(falseWord))
            return CallValue::boolean(false);
        const qsizetype start = m_pos;
        take(u'-');
        while (!atEnd() && m_line.at(m_pos).isDigit())
            ++m_pos;
        bool number = false;
        const qint64 parsed = m_line.mid(start, m_pos - start).toLongLong(&number);
        if (!number) {
            m_pos = start;
            return AgentResult<CallValue>::failure(failure(QStringLiteral("expected a value")));
        }
        return CallValue::integer(parsed);
    }

private:
    QStringView m_line;
    qsizetype m_pos = 0;
};

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

AgentResult<AgentCall> AgentCallFormat::parse(QStringView line)
{
    using Result = AgentResult<AgentCall>;
    Reader reader(line);
    AgentCall call;
    call.isEvent = reader.take(eventMark);
    call.operation = reader.name();
    if (call.operation.isEmpty())
        return Result::failure(reader.failure(QStringLiteral("expected an operation name")));
    if (!reader.take(u'('))
        return Result::failure(reader.failure(QStringLiteral("expected (")));
    if (!reader.take(u')')) {
        for (;;) {
            AgentResult<CallValue> argument = reader.value();
            if (!argument)
                return Result::failure(argument.error());
            call.arguments.append(std::move(argument.value()));
            if (reader.take(u')'))
                break;
            if (!reader.take(QLatin1String(", ")))
                return Result::failure(reader.failure(QStringLiteral("expected , or )")));
        }
    }
    if (call.isEvent) {
        if (!reader.atEnd())
            return Result::failure(reader.failure(QStringLiteral("text after an event")));
        return call;
    }
    if (reader.take(failedMark)) {
        AgentResult<QString> reason = reader.escaped(false);
        if (!reason)
            return Result::failure(reason.error());
        call.fail(std::move(reason.value()));
        return call;
    }
    if (reader.take(valueMark)) {
        AgentResult<CallValue> value = reader.value();
        if (!value)
            return Result::failure(value.error());
        call.succeed(std::move(value.value()));
    } else if (reader.take(okMark)) {
        call.succeed();
    } else {
        return Result::failure(reader.failure(QStringLiteral("expected -> ok or -> failed")));
    }
    if (!reader.atEnd())
        return Result::failure(reader.failure(QStringLiteral("text after the outcome")));
    return call;
}

} // namespace clipvoice::platform::agent
