#include "platform/agent/testing/AgentCallParser.h"

namespace clipvoice::platform::agent::testing {

using namespace callMarks;

namespace {

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

AgentResult<AgentCall> AgentCallParser::parse(QStringView line)
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

} // namespace clipvoice::platform::agent::testing
