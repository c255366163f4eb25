#include "ClientStream.h"

#include "Protocol.h"

#include <cstring>

namespace {
bool capital(char c) { return c >= 'A' && c <= 'Z'; }
bool control(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }
bool digit(char c) { return c >= '0' && c <= '9'; }
bool oneOf(char c, const char *set) { return c != '\0' && std::strchr(set, c) != nullptr; }
}  // namespace

ClientStream::Result ClientStream::feed(const QByteArray &bytes)
{
    const QByteArray stream = carry_ + bytes;
    carry_.clear();
    Result result;
    qsizetype at = 0;
    while (at < stream.size() && result.fault.isEmpty()) {
        qsizetype next = at;
        switch (state_) {
        case State::Join: next = joinStart(stream, at, result); break;
        case State::Name: next = nameCharacter(stream, at, result); break;
        case State::Playing: next = move(stream, at, result); break;
        }
        if (next == at) {  // cut off: wait for the rest
            carry_ = stream.mid(at);
            break;
        }
        at = next;
    }
    return result;
}

qsizetype ClientStream::joinStart(const QByteArray &bytes, qsizetype at, Result &result)
{
    if (bytes[at] != '!') {
        ++result.garbage;
        return at + 1;
    }
    const QByteArray start = bytes.mid(at, 4);  // "!@", the seat digit, the name's first character
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
    if (control(start[3])) {
        result.fault = "a name starting with a control character";
        return at + 4;
    }
    join_ = start;
    state_ = State::Name;
    return at + 4;
}

qsizetype ClientStream::nameCharacter(const QByteArray &bytes, qsizetype at, Result &result)
{
    const char c = bytes[at];
    if (c == 'V') {
        result.messages.append(join_);
        state_ = State::Playing;
    } else if (capital(c) || control(c)) {
        result.fault = "a join without \"V\"";
    } else if (join_.size() - 3 >= MaxName) {
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
    if (bytes[at] != 'V')
        result.messages.append(bytes.mid(at, length));
    return at + length;
}
