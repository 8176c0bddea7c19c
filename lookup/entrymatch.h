#pragma once

#include "lookup/lineencoding.h"

#include <QByteArrayView>
#include <QString>

#include <array>
#include <type_traits>
#include <vector>

// What a search inside entry lines looks for in a dictionary's bytes, for
// one text. A decoded line holds the text, ignoring case as
// QString::contains with Qt::CaseInsensitive compares, only if its bytes
// hold one byte sequence of each of the text's units in turn. So the bytes
// are looked at first: a stretch of the text whose units each take a fixed
// number of bytes gives a pattern of byte sets, and its two rarest places
// are compared 16 or 32 bytes at a time. Where the pattern stands, the line is
// read from its bytes (holdsInBytes(), entryInBytes()) as far as they tell
// for certain, else decoded and compared as Qt compares.
//
// Immutable once made: the threads of one search share it.
class EntryMatch
{
public:
    // `sample` is some of the file's bytes, to tell rare bytes from common.
    // Without `marked`, an entry line need not start with the marker (an
    // EDICT line), and whether a line is an entry is never told from its
    // bytes.
    EntryMatch(const QString &text, const LineEncoding::Forms &forms, QByteArrayView sample,
               bool marked = true);

    enum class Plan {
        Nothing, // no line can hold the text
        Bytes,   // look for the pattern, then check the lines it is in
        // No stretch of the text has fixed bytes, or the encoding lists no
        // byte sequences: check every line.
        EveryLine,
    };
    Plan plan() const { return m_plan; }

    // With Plan::Bytes: calls `visit` with each place from `from` on where
    // the whole pattern stands before `end`, in order. `visit` returns the
    // place to look on from, after the one it was given, or null to stop.
    using Visit = const char *(*)(void *context, const char *at);
    void findEach(const char *from, const char *end, Visit visit, void *context) const;
    template <class Visitor> void findEach(const char *from, const char *end, Visitor &&visit) const
    {
        using Type = std::remove_reference_t<Visitor>;
        findEach(
            from, end,
            [](void *context, const char *at) { return (*static_cast<Type *>(context))(at); },
            &visit);
    }
    // The first such place; `end` when there is none.
    const char *find(const char *from, const char *end) const;
    // Whether a line's bytes, without its line end, can be an entry line
    // holding the text: they start with the marker's and are long enough.
    bool mayHold(QByteArrayView line) const;
    // Whether the decoded line, without its line end, holds the text.
    bool holds(QStringView line) const { return line.contains(m_text, Qt::CaseInsensitive); }

    // What the bytes alone tell.
    enum class Answer { No, Yes, Unknown };
    // Whether the line [start, end), without its line end, holds the text,
    // where `hit` is the pattern's first place in it (find()).
    Answer holdsInBytes(const char *start, const char *hit, const char *end) const;
    // Whether the line [start, end), with its line end, is an entry line:
    // the marker, a head and a separator (Eijiro::isEntryLine).
    Answer entryInBytes(const char *start, const char *end) const;

private:
    // The bytes that can stand at one place of the pattern.
    struct ByteSet
    {
        std::array<quint64, 4> bits{};
        // The first few, for the comparison 16 bytes at a time.
        std::array<char, 4> some{};
        int size = 0;

        void add(quint8 byte);
        bool has(quint8 byte) const { return bits[byte >> 6] >> (byte & 63) & 1; }
    };
    // A stretch of the text whose units have fixed byte lengths, as a
    // pattern, and where it starts in the text.
    struct Stretch
    {
        qsizetype start = 0;
        std::vector<ByteSet> pattern;
    };
    // The pattern looked for is the rarest of them.
    void choosePattern(const std::vector<Stretch> &stretches, QByteArrayView sample);
    bool wholeAt(const char *at) const;
    // Whether a character starts at `at`; `known` is a place of the same
    // line before `at` where one is known to start (its start, at first),
    // moved on to `at` or past it.
    Answer startsAt(const char *at, const char **known) const;
    // Whether the text's units are those of the characters from `at` on.
    Answer textAt(const char *at, const char *end) const;
    // The length of the marker's sequence `line` starts with; 0 for none.
    qsizetype markerAt(QByteArrayView line) const;

    QString m_text;
    QString m_folded; // the text case-folded unit by unit
    const LineEncoding::Forms &m_forms;
    Plan m_plan = Plan::Nothing;
    std::vector<ByteSet> m_pattern;
    qsizetype m_patternStart = 0;
    int m_first = 0;
    int m_second = 0;
    qsizetype m_fewestBytes = 0;
    QList<QByteArray> m_marker; // none when not marked
    bool m_marked;
    // For entryInBytes(): the one byte of the separator's colon (-1 when
    // it has other forms).
    int m_colon = -1;
    // With Plan::Bytes: the two places compared 16 bytes at a time are all
    // the pattern's, and all their bytes are compared: a place found is a
    // place where the whole pattern stands.
    bool m_exactPlaces = false;
    // The first four bytes of the two places' sets, the last repeated where
    // a set has fewer, each filling 16 bytes: loaded as they are; and how
    // many bytes each set has.
    alignas(16) std::array<std::array<char, 16>, 8> m_splats{};
    int m_firstBytes = 0;
    int m_secondBytes = 0;
};
