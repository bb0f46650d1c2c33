#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "files/ValueLines.h"
#include "model/Geometry.h"

// Layout tables: the lines of one element in a design or circuit block file,
// in file order. Each line says how it looks (the text before and after the
// value), how its value is written and read, and which field of the element
// it carries. The writer and the reader walk the same table, so they cannot
// disagree about a line.
//
// A reader skips by the stated lines per element: lines an element of an
// older, shorter layout lacks take their default, and lines a newer, longer
// layout adds after the known ones are passed over.

namespace pelmo {

// The names a driver's file name lines give, as the writer decided them
// (embedded files may be renamed to keep them apart in the support folder).
struct TDriverFileNames {
    std::string FRD;
    std::string ZMA;
    std::string Acoustic;
};

// What a line may need besides its element.
struct TLineContext {
    std::size_t Index = 0;  // the element's place in its section, for "!Driver 2" and "//Title subckt#2"
    TPoint Origin;          // positions are written relative to it (circuit block files)
    const TDriverFileNames* Names = nullptr;  // writing a driver: the file names to write
    std::string SupportFolder;                // reading a driver: where the named files were put
};

// One line of an element's layout: Indent + value + Tail, with the element's
// index after the tail where TailIndexed.
template <class E>
struct TFieldLine {
    std::string Indent;
    std::string Tail;  // " //" and the label; empty on raw lines
    bool TailIndexed = false;
    std::function<std::string(const E&, const TLineContext&)> Write;  // the value text
    // Takes the field from its whole line; empty for a line that is not read back.
    std::function<void(E&, const std::string&, const TLineContext&)> Read;
    // For an element whose layout is too short to hold the line; empty when
    // the field keeps the value the element was created with.
    std::function<void(E&)> Default;

    std::string Text(const E& e, const TLineContext& c) const {
        std::string s = Indent + Write(e, c) + Tail;
        if (TailIndexed) s += std::to_string(c.Index);
        return s;
    }
};

// The layout of one element kind in one file, with the labels of the two
// count lines that open its section ("3 //Passives", "20 //Lines Per Passive").
template <class E>
struct TLayout {
    std::string CountLabel;
    std::string LinesLabel;
    int Required = 0;  // lines every layout ever written has; a reader refuses fewer
    std::vector<TFieldLine<E>> Lines;

    int Size() const { return static_cast<int>(Lines.size()); }
};

// ---- How values are written and read -------------------------------------

struct AsInt {
    std::string Write(int v, const TLineContext&) const { return FileInt(v); }
    int Read(const std::string& line, const TLineContext&) const { return LineInt(line); }
};

// An integer held to a range on reading (text sizes).
struct AsIntWithin {
    int Low, High;
    std::string Write(int v, const TLineContext&) const { return FileInt(v); }
    int Read(const std::string& line, const TLineContext&) const { return std::clamp(LineInt(line), Low, High); }
};

struct AsReal {
    std::string Write(double v, const TLineContext&) const { return FileReal(v); }
    double Read(const std::string& line, const TLineContext&) const { return LineReal(line); }
};

struct AsBool {
    std::string Write(bool v, const TLineContext&) const { return FileBool(v); }
    bool Read(const std::string& line, const TLineContext&) const { return LineBool(line); }
};

// A name or other text on a value line: read back without the blanks around
// it and only up to a "//".
struct AsText {
    std::string Write(const std::string& v, const TLineContext&) const { return v; }
    std::string Read(const std::string& line, const TLineContext&) const { return ValueText(line); }
};

// A raw line: the whole line is the value, kept verbatim.
struct AsRaw {
    std::string Write(const std::string& v, const TLineContext&) const { return v; }
    std::string Read(const std::string& line, const TLineContext&) const { return line; }
};

// A sheet coordinate, written relative to the context's origin. Read as it
// stands, held to the range in which the geometry cannot overflow.
struct AsCoord {
    bool IsY = false;
    std::string Write(int v, const TLineContext& c) const {
        return FileInt(static_cast<long long>(v) - (IsY ? c.Origin.Y : c.Origin.X));
    }
    int Read(const std::string& line, const TLineContext&) const {
        return std::clamp(LineInt(line), -FileCoordLimit, FileCoordLimit);
    }
};
inline constexpr AsCoord AsX{false};
inline constexpr AsCoord AsY{true};

// ---- Building lines --------------------------------------------------------

// A line whose field is reached through `field`: a pointer to a member or a
// callable that returns a reference to the field (const for a const element).
template <class E, class Format, class Field>
TFieldLine<E> Line(std::string indent, std::string tail, Format format, Field field) {
    TFieldLine<E> l;
    l.Indent = std::move(indent);
    l.Tail = std::move(tail);
    l.Write = [format, field](const E& e, const TLineContext& c) { return format.Write(std::invoke(field, e), c); };
    l.Read = [format, field](E& e, const std::string& line, const TLineContext& c) {
        std::invoke(field, e) = format.Read(line, c);
    };
    return l;
}

// A line whose written value is `get(element)` and whose read value is handed
// to `set(element, value)`: for fields that are written one way and read into
// more than one member, or checked on reading.
template <class E, class Format, class Get, class Set>
TFieldLine<E> Line(std::string indent, std::string tail, Format format, Get get, Set set) {
    TFieldLine<E> l;
    l.Indent = std::move(indent);
    l.Tail = std::move(tail);
    l.Write = [format, get](const E& e, const TLineContext& c) { return format.Write(get(e), c); };
    l.Read = [format, set](E& e, const std::string& line, const TLineContext& c) { set(e, format.Read(line, c)); };
    return l;
}

// A line that layouts written before it was added lack: their elements get
// `fallback` in its field.
template <class E, class Format, class Field, class Value>
TFieldLine<E> OptionalLine(std::string indent, std::string tail, Format format, Field field, Value fallback) {
    TFieldLine<E> l = Line<E>(std::move(indent), std::move(tail), format, field);
    l.Default = [field, fallback](E& e) { std::invoke(field, e) = fallback; };
    return l;
}

// A raw line with a field.
template <class E, class Field>
TFieldLine<E> RawLine(Field field) {
    return Line<E>("", "", AsRaw{}, field);
}

// A fixed line that is written and never read back ("rev 1"; "!Driver " and
// the element's index).
template <class E>
TFieldLine<E> FixedLine(std::string text, bool indexed = false) {
    TFieldLine<E> l;
    l.Tail = std::move(text);
    l.TailIndexed = indexed;
    l.Write = [](const E&, const TLineContext&) { return std::string(); };
    return l;
}

// The same line with a default worked out for layouts that lack it.
template <class E, class Default>
TFieldLine<E> WithDefault(TFieldLine<E> l, Default d) {
    l.Default = d;
    return l;
}

// ---- Walking a table -------------------------------------------------------

template <class E>
void WriteSectionHead(TLineWriter& w, const TLayout<E>& layout, std::size_t count) {
    w.Add(ValueLine(FileInt(static_cast<long long>(count)), layout.CountLabel, ""));
    w.Add(ValueLine(FileInt(layout.Size()), layout.LinesLabel, ""));
}

template <class E>
void WriteElement(TLineWriter& w, const TLayout<E>& layout, const E& e, const TLineContext& c) {
    for (const TFieldLine<E>& l : layout.Lines) w.Add(l.Text(e, c));
}

// The section's count lines and its elements, each with its index.
template <class E, class Elements>
void WriteSection(TLineWriter& w, const TLayout<E>& layout, const Elements& elements, TLineContext c = {}) {
    WriteSectionHead(w, layout, elements.size());
    c.Index = 0;
    for (const auto& e : elements) {
        WriteElement(w, layout, *e, c);
        ++c.Index;
    }
}

// Reads an element stored in `lines` lines from `first` on: the table's lines
// it has are read, the others take their defaults. Throws EFileFormatError
// when the file ends before the element's last line.
template <class E>
void ReadElement(const TLineReader& r, const TLayout<E>& layout, E& e, std::size_t first, int lines,
                 const TLineContext& c) {
    if (lines > 0) r.Raw(first + static_cast<std::size_t>(lines) - 1);
    for (int k = 0; k < layout.Size(); ++k) {
        const TFieldLine<E>& l = layout.Lines[static_cast<std::size_t>(k)];
        if (k < lines) {
            if (l.Read) l.Read(e, r.Raw(first + static_cast<std::size_t>(k)), c);
        } else if (l.Default) {
            l.Default(e);
        }
    }
}

// Reads the section whose count lines are at `pos`: `create()` gives each new
// element, which is then read and handed to `finish(element)` (placing it).
// Returns the line after the section.
template <class E, class Create, class Finish>
std::size_t ReadSection(const TLineReader& r, const TLayout<E>& layout, std::size_t pos, const TLineContext& c,
                        Create create, Finish finish) {
    const TSectionHead h = r.Section(pos, layout.Required);
    const auto size = static_cast<std::size_t>(h.LinesPerElement);
    for (int i = 0; i < h.Count; ++i) {
        E& e = create();
        ReadElement(r, layout, e, h.First + static_cast<std::size_t>(i) * size, h.LinesPerElement, c);
        finish(e);
    }
    return h.First + static_cast<std::size_t>(h.Count) * size;
}

}  // namespace pelmo
