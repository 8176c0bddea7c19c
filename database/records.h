#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <algorithm>

// What reading the dictionary database gives, whichever connection reads
// it: the rows' shapes, and how a query for at most one row came out.
namespace Records {

// The one dictionary type the schema is seeded with ("Eijiro"), and the id
// of the first dictionary installed: a further one beside it takes the
// lowest id no installed dictionary has.
inline constexpr int eijiroId = 1;
// The types m_dictionary knows, by their ids: the seeded "Eijiro", and
// "EDICT", whose dictionaries have their type recorded in t_format.
inline constexpr int eijiroType = 1;
inline constexpr int edictType = 2;
// The types as the program knows them; a database made before a type has
// no m_dictionary row of it.
struct KnownType
{
    int id;
    const char *name;
};
inline constexpr KnownType knownTypes[] = {{eijiroType, "Eijiro"}, {edictType, "EDICT"}};

// What a query for at most one row found.
enum class Answer { Found, None, Failed };

// An installed dictionary as the user has it.
struct Installed
{
    int id;
    QString name; // the user's, or its type's for one installed before names
    QString location;
    QString encoding;    // as t_dictionary holds it: empty for Shift_JIS
    bool enabled = true; // switched on: looked up and listed
    qint64 count = -1;   // entry lines the build found; -1 when unknown
    int type = eijiroType;
    bool operator==(const Installed &other) const
    {
        return id == other.id && name == other.name && location == other.location &&
               encoding == other.encoding && enabled == other.enabled && count == other.count &&
               type == other.type;
    }
};

// A known dictionary type, and whether a dictionary of it is installed.
struct Type
{
    int id;
    QString name;
    bool installed;
};

// What a dictionary was registered with.
struct Registration
{
    QString location;
    QString count; // entry lines found by the build, as stored
};

// Where the list of entry words comes from.
enum class EntryList {
    AllEntryWords, // t_entry: every entry word, phrases included
    // A database built before t_entry existed: the keys of t_word, that
    // is single words only, until the dictionary is installed again.
    SingleWords,
};

// One entry of the list: its key and the offset of its first entry line.
struct Entry
{
    QString key;
    qint64 position;
};

// How common a key is: the entry lines whose translation holds its words
// (CommonnessCounter), and whether its dictionary marks it as common.
struct Commonness
{
    qint64 lines = 0;
    bool marked = false;
    // Whether a key this common ranks before one `other` is: the more
    // lines, then the marked one (equal keys go in key order).
    bool beats(const Commonness &other) const
    {
        return lines != other.lines ? lines > other.lines : marked && !other.marked;
    }
};

struct Common
{
    QString key;
    Commonness commonness;
};

// Code point order, as the index sorts its keys (SQLite's BINARY order of
// UTF-8): UTF-16 code units compare so except a surrogate against a unit
// above it.
inline bool codePointLess(const QString &a, const QString &b)
{
    const auto fixed = [](char16_t c) {
        return c >= 0xE000 ? char16_t(c - 0x800) : c >= 0xD800 ? char16_t(c + 0x2000) : c;
    };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a.at(i).unicode(), y = b.at(i).unicode();
        if (x != y)
            return fixed(x) < fixed(y);
    }
    return a.size() < b.size();
}

// The prefixKept commonest keys (then in key order) of those that start
// with `prefix`: kept for each prefix that more than prefixSpread counted
// keys share, so that finding the commonest key that starts with a typed
// text compares no more keys than that, unless the dictionaries switched
// on rank the kept keys too closely to decide.
inline constexpr int prefixSpread = 32;
inline constexpr int prefixKept = 6;
struct PrefixCommon
{
    QString prefix;
    QList<Common> ranked; // commonest first
};

} // namespace Records
