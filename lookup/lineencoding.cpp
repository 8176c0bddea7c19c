#include "lookup/lineencoding.h"

#include "dictionary/format.h"

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
            alone[b] = decoder.decode(QByteArrayView(&byte, 1));
            if (alone[b].size() == 1)
                forms->add(QByteArrayView(&byte, 1), alone[b].front().unicode());
        }
        for (int b = 0; b < 256; ++b) {
            if (!alone[b].isEmpty())
                continue;
            for (int t = 0; t < 256; ++t) {
                const char pair[2] = {char(b), char(t)};
                const QString both = decoder.decode(QByteArrayView(pair, 2));
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
            const QChar unit{char16_t(c)};
            if (unit.isSurrogate())
                forms->addUnfixed(unit.unicode());
            else
                forms->add(QString(unit).toUtf8(), unit.unicode());
        }
    }
};

} // namespace

void LineEncoding::listForms(Forms *) const
{
}

void LineEncoding::Forms::add(QByteArrayView sequence, char16_t unit)
{
    const QByteArray bytes = sequence.toByteArray();
    m_folded[fold(unit)].append(bytes);
    m_exact[unit].append(bytes);
    quint8 &length = m_length[quint8(bytes[0])];
    length = length == 0 || length == bytes.size() ? quint8(bytes.size()) : severalLengths;
}

void LineEncoding::Forms::finish()
{
    m_single.fill(noUnit);
    m_pair.assign(std::size_t(1) << 16, noUnit);
    for (auto it = m_exact.cbegin(); it != m_exact.cend(); ++it) {
        // A stand-in is decoded from the bytes around it, not from its own.
        if (unfixed(it.key()))
            continue;
        const char16_t folded = fold(it.key());
        for (const QByteArray &sequence : it.value()) {
            if (sequence.size() == 1) {
                m_single[quint8(sequence[0])] = folded;
                m_space[quint8(sequence[0])] = QChar::isSpace(it.key());
            } else if (sequence.size() == 2) {
                m_pair[std::size_t(quint8(sequence[0])) << 8 | quint8(sequence[1])] = folded;
            } else {
                m_readable = false;
            }
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
    return Eijiro::encodingNamed(recorded) == Eijiro::Encoding::Utf8
               ? static_cast<const LineEncoding &>(utf8)
               : shiftJis;
}

const LineEncoding &LineEncoding::unlisted(const QString &recorded)
{
    static const LineEncoding shiftJis(Eijiro::Encoding::ShiftJis);
    static const LineEncoding utf8(Eijiro::Encoding::Utf8);
    static const LineEncoding eucJp(Eijiro::Encoding::EucJp);
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
