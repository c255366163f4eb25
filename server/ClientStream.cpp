#include "ClientStream.h"

#include "Log.h"
#include "Protocol.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

namespace {
bool capital(char c) { return c >= 'A' && c <= 'Z'; }
bool digit(char c) { return c >= '0' && c <= '9'; }
bool oneOf(char c, const char *set) { return c != '\0' && std::strchr(set, c) != nullptr; }
// A printable character that leaves a mark: not the blank, the no-break space or the
// soft hyphen, which a seat label shows as nothing.
bool visible(char c) { return PrintableLatin1(c) && c != ' ' && c != '\xa0' && c != '\xad'; }
// Up to length bytes from at, always in storage of their own: a read may borrow its bytes
// (QByteArray::fromRawData), and what is kept or handed out must outlive it.
QByteArray copied(const QByteArray &bytes, qsizetype at, qsizetype length)
{
    return QByteArray(bytes.constData() + at, std::min(length, bytes.size() - at));
}

// Every message a client can send after its join stands once in this table (a few hundred
// of them), so that a read's messages share it instead of each taking an allocation of
// its own, which was about half of the parser's time.
class KnownMessages {
public:
    KnownMessages()
    {
        qsizetype count = 0;
        for (const char kind : Kinds) {
            first_[static_cast<unsigned char>(kind)] = count;
            count += combinations(Protocol::ClientMessageParameters(kind));
        }
        text_.resize(std::size_t(count * Slot));
        for (const char kind : Kinds)
            for (qsizetype i = 0; i < combinations(Protocol::ClientMessageParameters(kind)); ++i)
                write(kind, i);
    }

    // The message of `length` bytes at `at`, whose parameters are in their sets.
    QByteArray find(const char *at, qsizetype length) const
    {
        const char *const *sets = Protocol::ClientMessageParameters(at[0]);
        qsizetype index = 0;
        for (qsizetype i = 1; i < length; ++i)
            index = index * qsizetype(std::strlen(sets[i - 1])) + (std::strchr(sets[i - 1], at[i]) - sets[i - 1]);
        return QByteArray::fromRawData(text_.data() + offset(at[0], index), length);
    }

private:
    static constexpr std::string_view Kinds = "BEZXYWC";
    static constexpr qsizetype Slot = 4;  // the longest message, three bytes, and a null after it

    static qsizetype combinations(const char *const *sets)
    {
        qsizetype count = 1;
        for (; *sets; ++sets)
            count *= qsizetype(std::strlen(*sets));
        return count;
    }
    qsizetype offset(char kind, qsizetype index) const
    {
        return (first_[static_cast<unsigned char>(kind)] + index) * Slot;
    }
    // The index-th message of its kind: its parameters counted through their sets, the
    // last one fastest.
    void write(char kind, qsizetype index)
    {
        const char *const *sets = Protocol::ClientMessageParameters(kind);
        char *const text = text_.data() + offset(kind, index);
        text[0] = kind;
        qsizetype parameters = 0;
        while (sets[parameters])
            ++parameters;
        Q_ASSERT(parameters < Slot);
        for (qsizetype i = parameters; i >= 1; --i) {
            const auto size = qsizetype(std::strlen(sets[i - 1]));
            text[i] = sets[i - 1][index % size];
            index /= size;
        }
    }

    std::array<qsizetype, 256> first_{};
    std::vector<char> text_;  // Slot bytes a message, a null after each
};

const KnownMessages &knownMessages()
{
    static const KnownMessages table;
    return table;
}
}  // namespace

ClientStream::Result ClientStream::feed(const QByteArray &bytes)
{
    Result result;
    if (state_ == State::Refused)
        return result;
    // Most reads carry nothing over: then the read itself is parsed, without a copy.
    const QByteArray stream = carry_.isEmpty() ? bytes : carry_ + bytes;
    carry_.clear();
    qsizetype at = 0;
    while (at < stream.size() && result.fault.isEmpty()) {
        qsizetype next = at;
        switch (state_) {
        case State::Join: next = joinStart(stream, at, result); break;
        case State::Name: next = nameCharacter(stream, at, result); break;
        case State::Playing: next = move(stream, at, result); break;
        case State::Refused: return result;
        }
        if (next == at) {  // cut off: wait for the rest
            carry_ = copied(stream, at, stream.size() - at);
            break;
        }
        at = next;
    }
    if (!result.fault.isEmpty())
        state_ = State::Refused;
    return result;
}

qsizetype ClientStream::joinStart(const QByteArray &bytes, qsizetype at, Result &result)
{
    if (bytes[at] != '!') {
        ++result.garbage;
        return at + 1;
    }
    const QByteArray start = copied(bytes, at, 4);  // "!@", the seat digit, the name's first character
    if (start.size() >= 2 && start[1] != '@') {
        ++result.garbage;
        return at + 1;
    }
    if (start.size() >= 3 && !digit(start[2])) {
        ++result.garbage;
        return at + 1;
    }
    if (start.size() < 4)
        return at;
    if (!PrintableLatin1(start[3])) {
        result.fault = "a name with a control character";
        return at + 4;
    }
    join_ = start;
    state_ = State::Name;
    return at + 4;
}

qsizetype ClientStream::nameCharacter(const QByteArray &bytes, qsizetype at, Result &result)
{
    const char c = bytes[at];
    if (c == 'V' && nameLength() < MinName) {
        result.fault = "a name of fewer than 3 characters";
    } else if (c == 'V' && std::ranges::none_of(QByteArrayView(join_).sliced(3), visible)) {
        result.fault = "a name without a visible character";
    } else if (c == 'V') {
        result.messages.append(join_);
        state_ = State::Playing;
    } else if (capital(c)) {
        result.fault = "a join without \"V\"";
    } else if (!PrintableLatin1(c)) {
        result.fault = "a name with a control character";
    } else if (nameLength() >= MaxName) {
        result.fault = "a name longer than 7 characters";
    } else {
        join_.append(c);
    }
    return at + 1;
}

qsizetype ClientStream::move(const QByteArray &bytes, qsizetype at, Result &result)
{
    const char *const *allowed = Protocol::ClientMessageParameters(bytes[at]);
    if (!allowed) {
        ++result.garbage;
        return at + 1;
    }
    qsizetype length = 1;
    for (; allowed[length - 1]; ++length) {
        if (at + length >= bytes.size())
            return at;
        if (!oneOf(bytes[at + length], allowed[length - 1])) {
            ++result.garbage;
            return at + 1;
        }
    }
    if (bytes[at] == 'V')
        return at + length;
    // Room for the messages of a whole move (a read seldom brings more), and no more than
    // the rest of the read can hold: every message has a parameter.
    if (result.messages.isEmpty())
        result.messages.reserve(std::min<qsizetype>(MoveMessages, (bytes.size() - at) / 2));
    result.messages.append(knownMessages().find(bytes.constData() + at, length));
    return at + length;
}
