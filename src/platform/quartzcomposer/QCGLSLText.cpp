#include "platform/quartzcomposer/QCGLSLText.h"

#include <QRegularExpression>

#include <vector>

namespace {

bool isIdentifierStart(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
}

bool isIdentifierChar(QChar c) {
    return isIdentifierStart(c) || (c >= u'0' && c <= u'9');
}

// Length of the comment starting at `pos`, or 0 when none starts there.
qsizetype commentLength(const QString& text, qsizetype pos) {
    if (pos + 1 >= text.size() || text[pos] != u'/')
        return 0;
    if (text[pos + 1] == u'/') {
        const qsizetype end = text.indexOf(u'\n', pos);
        return (end < 0 ? text.size() : end) - pos;
    }
    if (text[pos + 1] == u'*') {
        const qsizetype end = text.indexOf(QLatin1StringView("*/"), pos + 2);
        return (end < 0 ? text.size() : end + 2) - pos;
    }
    return 0;
}

enum class ImageFunction { Pixel = 1, NormPixel, ThisPixel, ThisNormPixel, Size };

std::optional<ImageFunction> imageFunctionNamed(QStringView name) {
    if (name == u"IMG_PIXEL")
        return ImageFunction::Pixel;
    if (name == u"IMG_NORM_PIXEL")
        return ImageFunction::NormPixel;
    if (name == u"IMG_THIS_PIXEL")
        return ImageFunction::ThisPixel;
    if (name == u"IMG_THIS_NORM_PIXEL" || name == u"IMG_NORM_THIS_PIXEL")
        return ImageFunction::ThisNormPixel;
    if (name == u"IMG_SIZE")
        return ImageFunction::Size;
    return std::nullopt;
}

class Rewriter {
public:
    Rewriter(const QSet<QString>& images) : mImages(images) {}

    std::optional<QString> rewrite(const QString& text, int depth) {
        if (depth > 64) {
            mError = QStringLiteral("image functions nested too deeply");
            return std::nullopt;
        }
        QString out;
        out.reserve(text.size() + 64);
        qsizetype pos = 0;
        while (pos < text.size()) {
            if (const qsizetype comment = commentLength(text, pos)) {
                out += QStringView(text).mid(pos, comment);
                pos += comment;
                continue;
            }
            if (!isIdentifierStart(text[pos])) {
                out += text[pos++];
                continue;
            }
            const qsizetype start = pos;
            while (pos < text.size() && isIdentifierChar(text[pos]))
                ++pos;
            const QStringView name = QStringView(text).mid(start, pos - start);
            const std::optional<ImageFunction> function = imageFunctionNamed(name);
            qsizetype open = pos;
            while (open < text.size() && text[open].isSpace())
                ++open;
            if (!function || open >= text.size() || text[open] != u'(') {
                out += name;
                continue;
            }
            std::vector<QString> args;
            const qsizetype close = splitArguments(text, open, args);
            if (close < 0) {
                mError = QStringLiteral("unbalanced parentheses after %1").arg(name);
                return std::nullopt;
            }
            std::optional<QString> replacement = replace(*function, name, args, depth);
            if (!replacement)
                return std::nullopt;
            out += *replacement;
            pos = close + 1;
        }
        return out;
    }

    QString error() const { return mError; }

private:
    // Splits the arguments of the call whose '(' is at `open`; returns the offset of its ')'.
    static qsizetype splitArguments(const QString& text, qsizetype open,
                                    std::vector<QString>& args) {
        int level = 0;
        qsizetype argStart = open + 1;
        for (qsizetype pos = open; pos < text.size(); ++pos) {
            if (const qsizetype comment = commentLength(text, pos)) {
                pos += comment - 1;
                continue;
            }
            const QChar c = text[pos];
            if (c == u'(' || c == u'[') {
                ++level;
            } else if (c == u')' || c == u']') {
                if (--level == 0) {
                    args.push_back(text.mid(argStart, pos - argStart));
                    return pos;
                }
            } else if (c == u',' && level == 1) {
                args.push_back(text.mid(argStart, pos - argStart));
                argStart = pos + 1;
            }
        }
        return -1;
    }

    std::optional<QString> replace(ImageFunction function, QStringView name,
                                   const std::vector<QString>& args, int depth) {
        const std::size_t wanted =
            (function == ImageFunction::Pixel || function == ImageFunction::NormPixel) ? 2 : 1;
        if (args.size() != wanted) {
            mError = QStringLiteral("%1 takes %2 argument(s), not %3")
                         .arg(name)
                         .arg(wanted)
                         .arg(args.size());
            return std::nullopt;
        }
        const QString image = args[0].trimmed();
        if (!mImages.contains(image)) {
            mError = QStringLiteral("%1 names \"%2\", which is no image of this composition")
                         .arg(name, image);
            return std::nullopt;
        }
        const QString size = QStringLiteral("_%1_imgSize").arg(image);
        switch (function) {
        case ImageFunction::Size:
            return QStringLiteral("(%1)").arg(size);
        case ImageFunction::ThisNormPixel:
            return QStringLiteral("isf_sample(%1, isf_FragNormCoord)").arg(image);
        case ImageFunction::ThisPixel:
            return QStringLiteral("isf_samplePixel(%1, %2, gl_FragCoord.xy)").arg(image, size);
        case ImageFunction::NormPixel:
        case ImageFunction::Pixel: {
            std::optional<QString> coordinate = rewrite(args[1], depth + 1);
            if (!coordinate)
                return std::nullopt;
            if (function == ImageFunction::NormPixel)
                return QStringLiteral("isf_sample(%1, (%2))").arg(image, *coordinate);
            return QStringLiteral("isf_samplePixel(%1, %2, (%3))").arg(image, size, *coordinate);
        }
        }
        return std::nullopt;
    }

    const QSet<QString>& mImages;
    QString mError;
};

} // namespace

QString QCStripComments(const QString& in_source) {
    QString out = in_source;
    qsizetype pos = 0;
    while (pos < out.size()) {
        const qsizetype length = commentLength(out, pos);
        if (length == 0) {
            ++pos;
            continue;
        }
        for (qsizetype i = pos; i < pos + length; ++i) {
            if (out[i] != u'\n')
                out[i] = u' ';
        }
        pos += length;
    }
    return out;
}

bool QCDeclaresVoidFunction(const QString& in_source, const QString& in_name) {
    const QRegularExpression pattern(
        QStringLiteral("\\bvoid\\s+%1\\s*\\(").arg(QRegularExpression::escape(in_name)));
    return pattern.match(QCStripComments(in_source)).hasMatch();
}

QString QCTakeVersionDirective(QString& io_source) {
    static const QRegularExpression pattern(QStringLiteral("^[ \\t]*#[ \\t]*version\\b[^\\n]*"),
                                            QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = pattern.match(QCStripComments(io_source));
    if (!match.hasMatch())
        return {};
    const QString directive = io_source.mid(match.capturedStart(), match.capturedLength());
    io_source.remove(match.capturedStart(), match.capturedLength());
    return directive.trimmed();
}

QString QCTakeExtensionDirectives(QString& io_source) {
    const QString stripped = QCStripComments(io_source);
    struct Line {
        qsizetype start = 0;
        qsizetype length = 0;
    };
    std::vector<Line> lines;
    for (qsizetype start = 0; start <= stripped.size();) {
        qsizetype end = stripped.indexOf(u'\n', start);
        if (end < 0)
            end = stripped.size();
        lines.push_back({start, end - start});
        start = end + 1;
    }
    // Open conditional blocks: their first line, and what they hold so far.
    struct Block {
        std::size_t first = 0;
        bool onlyDirectives = true;
        bool holdsExtension = false;
    };
    std::vector<Block> open;
    std::vector<std::pair<std::size_t, std::size_t>> moved; // line ranges, inclusive
    static const QRegularExpression directive(QStringLiteral("^\\s*#\\s*([A-Za-z_]*)"));
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const QString text = stripped.mid(lines[index].start, lines[index].length);
        const QRegularExpressionMatch match = directive.match(text);
        if (!match.hasMatch()) {
            if (!text.trimmed().isEmpty()) {
                for (Block& block : open)
                    block.onlyDirectives = false;
            }
            continue;
        }
        const QString name = match.captured(1);
        if (name == u"if" || name == u"ifdef" || name == u"ifndef") {
            open.push_back({index});
        } else if (name == u"endif" && !open.empty()) {
            const Block block = open.back();
            open.pop_back();
            if (!open.empty()) {
                open.back().holdsExtension = open.back().holdsExtension || block.holdsExtension;
                open.back().onlyDirectives = open.back().onlyDirectives && block.onlyDirectives;
            } else if (block.holdsExtension && block.onlyDirectives) {
                moved.push_back({block.first, index});
            }
        } else if (name == u"extension") {
            if (open.empty())
                moved.push_back({index, index});
            else
                open.back().holdsExtension = true;
        }
    }
    QString taken;
    for (const auto& [first, last] : moved) {
        for (std::size_t index = first; index <= last; ++index)
            taken += stripped.mid(lines[index].start, lines[index].length).trimmed() + u'\n';
    }
    // From the last line up, so that earlier offsets stay valid while lines are emptied. A
    // comment on the line stays: one that goes on past the line's end must still be opened.
    for (auto range = moved.rbegin(); range != moved.rend(); ++range) {
        for (std::size_t index = range->second + 1; index-- > range->first;) {
            qsizetype code = lines[index].length;
            while (code > 0 && stripped[lines[index].start + code - 1].isSpace())
                --code;
            io_source.remove(lines[index].start, code);
        }
    }
    return taken;
}

std::optional<QString> QCRewriteImageFunctions(const QString& in_source,
                                               const QSet<QString>& in_imageNames,
                                               QString* out_error) {
    Rewriter rewriter(in_imageNames);
    std::optional<QString> result = rewriter.rewrite(in_source, 0);
    if (!result && out_error)
        *out_error = rewriter.error();
    return result;
}

bool QCIsUsableIdentifier(const QString& in_name) {
    if (in_name.isEmpty() || in_name.size() > 64 || !isIdentifierStart(in_name[0]))
        return false;
    for (QChar c : in_name) {
        if (!isIdentifierChar(c))
            return false;
    }
    return !in_name.startsWith(QLatin1StringView("gl_")) &&
           !in_name.startsWith(QLatin1StringView("isf_")) &&
           !in_name.contains(QLatin1StringView("__"));
}
