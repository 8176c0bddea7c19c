#pragma once

#include "dictionary/format.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QSet>
#include <QString>

#include <array>
#include <bitset>
#include <mutex>
#include <vector>

// The encoding of a dictionary's lines as a search inside them sees it:
// its decoder of single lines (Eijiro::Decoder, through which every reader
// of a file decodes), and which bytes can stand for a character. The
// bytes come from the decoder itself, by decoding every byte sequence a
// character can take, so whatever it maps (the CP932 extensions, its own
// choice for the controls) is known without a table of our own. An
// encoding whose sequences are not listed is searched line by line.
class LineEncoding
{
public:
    // The byte sequences that decode to one UTF-16 unit, by unit.
    class Forms
    {
    public:
        // Every sequence whose unit folds as `unit` folds (simple case
        // folding, which a case-insensitive QString::contains compares unit
        // by unit): all that can stand for `unit` in a match.
        QList<QByteArray> folding(char16_t unit) const
        {
            return listed(m_byFolded, m_foldedStart, fold(unit));
        }
        // The sequences of exactly `unit`.
        QList<QByteArray> exactly(char16_t unit) const
        {
            return listed(m_byUnit, m_unitStart, unit);
        }
        // Whether a decoded line can hold a unit folding as `unit` that
        // stands for no fixed bytes: the decoder's stand-in for bytes it
        // cannot read. Such a unit cannot be looked for in the bytes.
        bool unfixed(char16_t unit) const { return m_unfixed.contains(fold(unit)); }

        static char16_t fold(char16_t unit) { return char16_t(QChar::toCaseFolded(unit)); }

        // --- Reading the bytes themselves, for an encoding whose characters
        // take one or two bytes, where a byte that cannot start a two-byte
        // character always ends one (Shift_JIS). A "plain" character is one
        // the decoder reads the same on its own and inside any line.

        static constexpr char16_t noUnit = 0xFFFF; // a noncharacter
        // Whether the characters can be read from the bytes at all.
        bool readable() const { return m_readable; }
        // Whether `byte` may start a two-byte character (or nothing is
        // known of it): only after a byte that cannot is a character
        // certain to start.
        bool mayLead(quint8 byte) const { return m_length[byte] != 1; }
        // The unit of the plain character at `at`, case-folded, and its
        // length; noUnit for anything else (a stand-in, a lead byte at
        // `end`).
        char16_t foldedAt(const char *at, const char *end, int *length) const
        {
            const quint8 byte = quint8(*at);
            *length = m_length[byte];
            if (*length == 1)
                return m_single[byte];
            if (*length != 2 || end - at < 2)
                return noUnit;
            return m_pair[std::size_t(byte) << 8 | quint8(at[1])];
        }
        // Whether `byte` on its own is a plain character that is a space.
        bool isSpace(quint8 byte) const { return m_space[byte]; }

        // For the encodings' listForms().
        void add(QByteArrayView sequence, char16_t unit);
        void addUnfixed(char16_t unit) { m_unfixed.insert(fold(unit)); }

    private:
        friend class LineEncoding;
        // Fills the tables of the plain characters, once all are added.
        void finish();

        // One byte sequence and the unit it decodes to.
        struct Sequence
        {
            std::array<char, 4> bytes;
            quint8 length;
            char16_t unit;
            char16_t folded;
        };
        // The sequences of `order` (indexes into m_sequences, grouped by
        // unit) whose unit is `unit`; `start` says where each unit's begin.
        QList<QByteArray> listed(const std::vector<quint32> &order,
                                 const std::vector<quint32> &start, char16_t unit) const;

        // Every sequence, as added; ordered by unit and by folded unit, a
        // counting sort keeping the order added within one unit (so each
        // list is a few reads, not a hash of lists built for every unit).
        std::vector<Sequence> m_sequences;
        std::vector<quint32> m_byUnit, m_unitStart;
        std::vector<quint32> m_byFolded, m_foldedStart;
        QSet<char16_t> m_unfixed;
        bool m_readable = true;
        // The length of the sequences each byte starts: 0 for none or for
        // several lengths.
        std::array<quint8, 256> m_length{};
        // The plain characters' units, case-folded.
        std::array<char16_t, 256> m_single{};
        std::vector<char16_t> m_pair;
        std::bitset<256> m_space;
    };

    // The encoding recorded for a dictionary (t_dictionary.encoding).
    static const LineEncoding &named(const QString &recorded);

    explicit LineEncoding(Eijiro::Encoding encoding) : m_encoding(encoding) {}
    virtual ~LineEncoding() = default;
    // Decodes one line at a time, each on its own; for one thread.
    Eijiro::Decoder decoder() const { return Eijiro::Decoder(m_encoding); }
    // The bytes at the start of `line` its decoder leaves out: a UTF-8
    // byte-order mark.
    qsizetype leftOut(QByteArrayView line) const;
    // Made on first use, once per process.
    const Forms &forms() const;

protected:
    // Adds every byte sequence a character of this encoding can take, with
    // its unit, and the units that stand for unreadable bytes; none by
    // default.
    virtual void listForms(Forms *forms) const;

private:
    const Eijiro::Encoding m_encoding;
    mutable std::once_flag m_made;
    mutable Forms m_forms;
};
