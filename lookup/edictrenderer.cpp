#include "lookup/edictrenderer.h"

#include "dictionary/edict.h"
#include "lookup/renderer.h"

#include <QCoreApplication>

EdictRenderer::EdictRenderer(const QString &word, const QString &key) : m_word(word), m_key(key)
{
}

bool EdictRenderer::renderLine(const QString &line)
{
    Edict::Entry entry;
    if (!Edict::read(line, &entry) || !Edict::hasKey(entry, m_key))
        return false;
    QString head = entry.heads.join(u';');
    if (!entry.readings.isEmpty())
        head += QStringLiteral(" 【%1】").arg(entry.readings.join(u';'));
    m_page.blocks.append(ResultRenderer::heading(head, m_word));
    if (entry.common)
        m_page.blocks.append(
            {PageBlock::Common, QCoreApplication::translate("SearchThread", "common"), {}});
    // EDICT repeats a sense's tags for each sense they apply to: a badge
    // shows where they change.
    const QStringList *lastTags = nullptr;
    for (const Edict::Sense &sense : std::as_const(entry.senses)) {
        PageBlock block{PageBlock::Sense, QString(), {}};
        const bool sameTags = lastTags && *lastTags == sense.tags;
        lastTags = &sense.tags;
        // A cut between each two pieces: tags first, then glosses.
        bool first = true;
        const auto add = [&](const QString &text) {
            if (!first)
                block.cuts << block.text.size();
            block.text += text;
            first = false;
        };
        for (const QString &tag : sameTags ? QStringList() : sense.tags) {
            add(tag);
            const QString meaning = Edict::tagMeaning(tag);
            block.tips << (meaning.isNull() ? tag : meaning);
        }
        for (const QString &gloss : sense.glosses) {
            if (block.marked < 0 && Edict::glossKey(gloss) == m_key)
                block.marked = block.cuts.size() + (first ? 0 : 1);
            add(gloss);
        }
        m_page.blocks.append(std::move(block));
    }
    return true;
}

Page EdictRenderer::finish() const
{
    if (m_page.blocks.isEmpty())
        return ResultRenderer(m_word).finish();
    return m_page;
}
