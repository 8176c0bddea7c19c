#include "dictionary/shiftjistable.h"

#include <QList>
#include <QStringDecoder>
#include <QStringView>

#include <array>
#include <atomic>
#include <memory>
#include <mutex>

namespace Eijiro::ShiftJisTable {
namespace {

// No character of the tables: ICU decodes such a unit itself. U+FFFF is a
// noncharacter no Shift_JIS byte maps to.
constexpr char16_t notPlain = 0xFFFF;

// ICU's converter, for one unit at a time. A decoder's error flag outlives
// resetState(), so one that has met an error is replaced.
class Probe
{
public:
    bool isValid() const { return m_icu->isValid(); }

    // What ICU makes of `unit` on its own: its one UTF-16 unit, or
    // notPlain. `dropped` tells whether ICU gave nothing and held the
    // bytes back, waiting for more. A substitute (U+FFFD, or U+001A from
    // anything but 0x1A) means ICU met an invalid or unmapped sequence,
    // whether or not it reports an error.
    char16_t plain(QByteArrayView unit, bool *dropped = nullptr)
    {
        m_icu->resetState();
        const QString decoded = m_icu->decode(unit);
        const bool error = m_icu->hasError();
        if (error)
            m_icu = std::make_unique<QStringDecoder>(name, flags);
        if (dropped)
            *dropped = decoded.isEmpty() && error;
        if (error || decoded.size() != 1)
            return notPlain;
        const char16_t c = decoded.front().unicode();
        return substitute(c, unit) ? notPlain : c;
    }

    // Whether `c`, decoded from `unit`, is no character of it.
    static bool substitute(char16_t c, QByteArrayView unit)
    {
        return c == 0xFFFD || (c == 0x1A && unit != QByteArrayView("\x1a", 1)) || c == notPlain ||
               QChar::isSurrogate(c);
    }

    // `bytes` as ICU decodes them, errors and all.
    QString decodeAll(QByteArrayView bytes)
    {
        m_icu->resetState();
        QString decoded = m_icu->decode(bytes);
        if (m_icu->hasError())
            m_icu = std::make_unique<QStringDecoder>(name, flags);
        return decoded;
    }

private:
    static constexpr const char *name = "Shift_JIS";
    static constexpr QStringConverter::Flags flags = QStringConverter::Flag::Stateless;
    std::unique_ptr<QStringDecoder> m_icu = std::make_unique<QStringDecoder>(name, flags);
};

struct Tables
{
    // Each byte on its own; a byte that ICU holds back waiting for more is
    // a lead byte, whose row of trails is read when first met.
    std::array<char16_t, 256> single;
    std::array<bool, 256> lead{};
    std::array<std::atomic<const char16_t *>, 256> rows{};
    std::array<std::unique_ptr<char16_t[]>, 256> rowStorage;
    std::mutex building;
    // Used under `building` only, once the tables are made.
    Probe icu;
    const bool available = icu.isValid();

    Tables()
    {
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            bool dropped = false;
            single[b] = icu.isValid() ? icu.plain(QByteArrayView(&byte, 1), &dropped) : notPlain;
            lead[b] = dropped;
        }
    }

    const char16_t *row(quint8 first)
    {
        if (const char16_t *ready = rows[first].load(std::memory_order_acquire))
            return ready;
        std::lock_guard lock(building);
        if (!rowStorage[first]) {
            auto row = std::make_unique<char16_t[]>(256);
            // The whole row through ICU at once, each pair ended by a line
            // feed: Shift_JIS keeps no state past a character, so a pair
            // that comes out there as one unit, lined up with the others,
            // is what ICU makes of it on its own. Only the line feed's pair,
            // or a row that does not line up, is asked pair by pair: ICU
            // meets few errors, each of which costs a converter.
            QByteArray pairs;
            pairs.reserve(3 * 256);
            for (int t = 0; t < 256; ++t) {
                const char line[3] = {char(first), char(t), '\n'};
                if (t != '\n')
                    pairs.append(line, 3);
            }
            const QString decoded = icu.decodeAll(pairs);
            const QList<QStringView> read = QStringView(decoded).split(u'\n');
            const bool lined = read.size() == 256;
            for (int t = 0, line = 0; t < 256; ++t) {
                const char pair[2] = {char(first), char(t)};
                const QByteArrayView bytes(pair, 2);
                if (t == '\n' || !lined) {
                    row[t] = icu.plain(bytes);
                    continue;
                }
                const QStringView one = read[line++];
                row[t] = one.size() == 1 && !Probe::substitute(one.front().unicode(), bytes)
                             ? one.front().unicode()
                             : notPlain;
            }
            rowStorage[first] = std::move(row);
            rows[first].store(rowStorage[first].get(), std::memory_order_release);
        }
        return rowStorage[first].get();
    }
};

Tables &tables()
{
    static Tables instance;
    return instance;
}

} // namespace

bool isAvailable()
{
    return tables().available;
}

bool decode(QByteArrayView bytes, QString *out)
{
    Tables &t = tables();
    // No character takes more than one unit per byte. The string's room is
    // kept, so a caller decoding line after line into it rarely allocates.
    out->resize(bytes.size());
    char16_t *const start = reinterpret_cast<char16_t *>(out->data());
    char16_t *to = start;
    const auto *from = reinterpret_cast<const quint8 *>(bytes.data());
    const quint8 *const end = from + bytes.size();
    while (from < end) {
        const quint8 b = *from;
        char16_t c = t.single[b];
        if (c != notPlain) {
            ++from;
        } else if (t.lead[b] && from + 1 < end) {
            c = t.row(b)[from[1]];
            if (c == notPlain)
                return false;
            from += 2;
        } else {
            return false;
        }
        *to++ = c;
    }
    out->truncate(to - start);
    return true;
}

} // namespace Eijiro::ShiftJisTable
