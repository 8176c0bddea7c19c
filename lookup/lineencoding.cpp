#include "lookup/lineencoding.h"

#include "dictionary/format.h"

#include <algorithm>

namespace {

// A byte that starts sequences of different lengths: where the characters
// of a line begin cannot be told from it.
constexpr quint8 severalLengths = 0xFF;

// The Shift_JIS of every dictionary so far: a character is one byte, or a
// byte that gives nothing on its own followed by a second.
class ShiftJis : public LineEncoding
{
public:
    ShiftJis() : LineEncoding(Eijiro::Encoding::ShiftJis) {}

protected:
    void listForms(Forms *forms) const override
    {
        Eijiro::Decoder decoder = this->decoder();
        std::array<QString, 256> alone;
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            decoder.decode(QByteArrayView(&byte, 1), &alone[b]);
            if (alone[b].size() == 1)
                forms->add(QByteArrayView(&byte, 1), alone[b].front().unicode());
        }
        QString both;
        for (int b = 0; b < 256; ++b) {
            if (!alone[b].isEmpty())
                continue;
            for (int t = 0; t < 256; ++t) {
                const char pair[2] = {char(b), char(t)};
                decoder.decode(QByteArrayView(pair, 2), &both);
                if (both == alone[t])
                    continue;
                if (both.size() == 1) {
                    forms->add(QByteArrayView(pair, 2), both.front().unicode());
                    continue;
                }
                // No character: what comes before the second byte read on
                // its own stands for bytes the decoder cannot read.
                const QStringView first = both.endsWith(alone[t])
                                              ? QStringView(both).chopped(alone[t].size())
                                              : QStringView(both);
                for (const QChar c : first)
                    forms->addUnfixed(c.unicode());
            }
        }
    }
};

// UTF-8: every character of the Basic Multilingual Plane is one sequence;
// a character beyond it is two units that stand for no fixed bytes each.
class Utf8 : public LineEncoding
{
public:
    Utf8() : LineEncoding(Eijiro::Encoding::Utf8) {}

protected:
    void listForms(Forms *forms) const override
    {
        for (int c = 0; c < 0x10000; ++c) {
            if (QChar::isSurrogate(char32_t(c))) {
                forms->addUnfixed(char16_t(c));
                continue;
            }
            char bytes[3];
            int length = 0;
            if (c < 0x80) {
                bytes[length++] = char(c);
            } else if (c < 0x800) {
                bytes[length++] = char(0xC0 | c >> 6);
                bytes[length++] = char(0x80 | (c & 0x3F));
            } else {
                bytes[length++] = char(0xE0 | c >> 12);
                bytes[length++] = char(0x80 | (c >> 6 & 0x3F));
                bytes[length++] = char(0x80 | (c & 0x3F));
            }
            forms->add(QByteArrayView(bytes, length), char16_t(c));
        }
    }
};

// EUC-JP, EDICT's: ASCII in one byte, half-width katakana in two from
// 0x8E, JIS X 0208 in two bytes of 0xA1 to 0xFE, JIS X 0212 in three from
// 0x8F. Any other byte is read as a stand-in.
class EucJp : public LineEncoding
{
public:
    EucJp() : LineEncoding(Eijiro::Encoding::EucJp) {}

protected:
    void listForms(Forms *forms) const override
    {
        Eijiro::Decoder decoder = this->decoder();
        QString decoded;
        const auto add = [&](QByteArrayView sequence) {
            decoder.decode(sequence, &decoded);
            if (decoded.size() == 1)
                forms->add(sequence, decoded.front().unicode());
        };
        for (int b = 0; b < 0x80; ++b) {
            const char byte = char(b);
            add(QByteArrayView(&byte, 1));
        }
        for (int t = 0xA1; t <= 0xDF; ++t) {
            const char pair[2] = {'\x8E', char(t)};
            add(QByteArrayView(pair, 2));
        }
        for (int l = 0xA1; l <= 0xFE; ++l) {
            for (int t = 0xA1; t <= 0xFE; ++t) {
                const char pair[2] = {char(l), char(t)};
                add(QByteArrayView(pair, 2));
                const char triple[3] = {'\x8F', char(l), char(t)};
                add(QByteArrayView(triple, 3));
            }
        }
    }
};

} // namespace

void LineEncoding::listForms(Forms *) const
{
}

void LineEncoding::Forms::add(QByteArrayView sequence, char16_t unit)
{
    Sequence added{{}, quint8(sequence.size()), unit, fold(unit)};
    if (sequence.isEmpty() || sequence.size() > qsizetype(added.bytes.size())) {
        m_readable = false; // no encoding of ours has such sequences
        return;
    }
    std::copy(sequence.begin(), sequence.end(), added.bytes.begin());
    m_sequences.push_back(added);
    quint8 &length = m_length[quint8(sequence[0])];
    length = length == 0 || length == added.length ? added.length : severalLengths;
}

QList<QByteArray> LineEncoding::Forms::listed(const std::vector<quint32> &order,
                                              const std::vector<quint32> &start,
                                              char16_t unit) const
{
    QList<QByteArray> sequences;
    if (start.empty())
        return sequences;
    for (quint32 i = start[unit]; i < start[std::size_t(unit) + 1]; ++i) {
        const Sequence &sequence = m_sequences[order[i]];
        sequences.append(QByteArray(sequence.bytes.data(), sequence.length));
    }
    return sequences;
}

void LineEncoding::Forms::finish()
{
    // Each unit's sequences, in the order added, by unit and by folded unit.
    const auto group = [this](auto key, std::vector<quint32> *order, std::vector<quint32> *start) {
        start->assign((std::size_t(1) << 16) + 1, 0);
        for (const Sequence &sequence : m_sequences)
            ++(*start)[std::size_t(key(sequence)) + 1];
        for (std::size_t k = 1; k < start->size(); ++k)
            (*start)[k] += (*start)[k - 1];
        std::vector<quint32> next(start->begin(), start->end() - 1);
        order->resize(m_sequences.size());
        for (quint32 i = 0; i < quint32(m_sequences.size()); ++i)
            (*order)[next[key(m_sequences[i])]++] = i;
    };
    group([](const Sequence &s) { return s.unit; }, &m_byUnit, &m_unitStart);
    group([](const Sequence &s) { return s.folded; }, &m_byFolded, &m_foldedStart);

    m_single.fill(noUnit);
    m_pair.assign(std::size_t(1) << 16, noUnit);
    for (const Sequence &sequence : m_sequences) {
        // A stand-in is decoded from the bytes around it, not from its own.
        if (unfixed(sequence.unit))
            continue;
        const char16_t folded = sequence.folded;
        const quint8 first = quint8(sequence.bytes[0]);
        if (sequence.length == 1) {
            m_single[first] = folded;
            m_space[first] = QChar::isSpace(sequence.unit);
        } else if (sequence.length == 2) {
            m_pair[std::size_t(first) << 8 | quint8(sequence.bytes[1])] = folded;
        } else {
            m_readable = false;
        }
    }
    for (quint8 &length : m_length) {
        if (length == severalLengths)
            length = 0;
    }
}

const LineEncoding &LineEncoding::named(const QString &recorded)
{
    static const ShiftJis shiftJis;
    static const Utf8 utf8;
    static const EucJp eucJp;
    switch (Eijiro::encodingNamed(recorded)) {
    case Eijiro::Encoding::Utf8:
        return utf8;
    case Eijiro::Encoding::EucJp:
        return eucJp;
    case Eijiro::Encoding::ShiftJis:
        break;
    }
    return shiftJis;
}

qsizetype LineEncoding::leftOut(QByteArrayView line) const
{
    const QByteArrayView byteOrderMark("\xEF\xBB\xBF");
    return m_encoding == Eijiro::Encoding::Utf8 && line.startsWith(byteOrderMark)
               ? byteOrderMark.size()
               : 0;
}

const LineEncoding::Forms &LineEncoding::forms() const
{
    std::call_once(m_made, [this] {
        // The stand-ins the converter is known to use, even where some
        // byte also maps to one of them.
        m_forms.addUnfixed(QChar::ReplacementCharacter);
        m_forms.addUnfixed(0x1A);
        listForms(&m_forms);
        m_forms.finish();
    });
    return m_forms;
}
