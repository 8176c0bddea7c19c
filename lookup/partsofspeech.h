#pragma once

#include "database/records.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// The part-of-speech tags the dictionaries of one look-up give their keys,
// read from the keys' own lines: what tells 酢 (a noun) from する when
// しました is taken apart. An Eijiro line gives them in the label at the end
// of its head, split at commas ("■食べる  {v1} : to eat", "{v5k-s}",
// "{n,vs}"); an EDICT line in the parentheses before its glosses
// ("食べる [たべる] /(v1,vt) to eat/"), and since a key's EDICT lines lie
// anywhere in the file, all of them are read. Belongs to one look-up on one thread; each
// dictionary's file is opened when first asked, and little of it read for each key.
class PartsOfSpeech
{
public:
    // Lines of a key read at most: its first senses tell its parts of
    // speech, and a key of many hundred lines is not read through.
    static constexpr int mostLines = 64;

    // Where every line of a key lies, in a dictionary whose pages list
    // every line of a key: the offsets, at most mostLines.
    using Lines = std::function<QList<qint64>(int id, const QString &key)>;

    explicit PartsOfSpeech(const QList<Records::Installed> &dictionaries, Lines lines = {});
    ~PartsOfSpeech();
    PartsOfSpeech(const PartsOfSpeech &) = delete;
    PartsOfSpeech &operator=(const PartsOfSpeech &) = delete;

    // The tags of the lines of `key` in dictionary `id`, read from its
    // first entry line at `position` for as long as the lines are the
    // key's, each tag once; none when the lines give none or the file
    // cannot be read (the page says so when it is read).
    QStringList of(int id, qint64 position, const QString &key);

    // The tags of one decoded line when it is an entry line of `key`
    // (empty when it gives none); false when it is not.
    // A line of a dictionary of `type` (DictionaryFormat::Type).
    static bool ofLine(const QString &line, const QString &key, QStringList *tags,
                       int type = Records::eijiroType);

private:
    struct File;
    QList<Records::Installed> m_dictionaries;
    Lines m_lines;
    QHash<int, std::shared_ptr<File>> m_files;
    QHash<std::pair<int, QString>, QStringList> m_read;
};
