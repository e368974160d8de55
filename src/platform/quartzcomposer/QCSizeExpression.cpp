#include "platform/quartzcomposer/QCSizeExpression.h"

#include <cmath>
#include <vector>

namespace {

// Recursive descent over the text; the first error stops the evaluation.
class Evaluator {
public:
    Evaluator(const QString& text, const QHash<QString, double>& variables)
        : mText(text), mVariables(variables) {}

    std::optional<double> run(QString* out_error) {
        double value = ternary();
        skipSpace();
        if (mError.isEmpty() && mPos < mText.size())
            fail(QStringLiteral("unexpected '%1'").arg(mText.mid(mPos, 1)));
        if (!mError.isEmpty()) {
            if (out_error)
                *out_error = mError;
            return std::nullopt;
        }
        return value;
    }

private:
    static constexpr int kMaxDepth = 200;

    void fail(const QString& message) {
        if (mError.isEmpty())
            mError = QStringLiteral("%1 at offset %2 of \"%3\"").arg(message).arg(mPos).arg(mText);
    }
    void skipSpace() {
        while (mPos < mText.size() && mText[mPos].isSpace())
            ++mPos;
    }
    bool accept(const char* token) {
        skipSpace();
        const QLatin1StringView view(token);
        if (QStringView(mText).mid(mPos).startsWith(view)) {
            mPos += view.size();
            return true;
        }
        return false;
    }
    bool peekIs(const char* token) {
        skipSpace();
        return QStringView(mText).mid(mPos).startsWith(QLatin1StringView(token));
    }

    double ternary() {
        if (++mDepth > kMaxDepth) {
            fail(QStringLiteral("expression nested too deeply"));
            return 0.0;
        }
        double condition = logicalOr();
        if (accept("?")) {
            const double whenTrue = ternary();
            if (!accept(":"))
                fail(QStringLiteral("expected ':'"));
            const double whenFalse = ternary();
            condition = condition != 0.0 ? whenTrue : whenFalse;
        }
        --mDepth;
        return condition;
    }
    double logicalOr() {
        double value = logicalAnd();
        while (mError.isEmpty() && accept("||")) {
            const double right = logicalAnd();
            value = (value != 0.0 || right != 0.0) ? 1.0 : 0.0;
        }
        return value;
    }
    double logicalAnd() {
        double value = comparison();
        while (mError.isEmpty() && accept("&&")) {
            const double right = comparison();
            value = (value != 0.0 && right != 0.0) ? 1.0 : 0.0;
        }
        return value;
    }
    double comparison() {
        double value = additive();
        while (mError.isEmpty()) {
            if (accept("<="))
                value = value <= additive() ? 1.0 : 0.0;
            else if (accept(">="))
                value = value >= additive() ? 1.0 : 0.0;
            else if (accept("=="))
                value = value == additive() ? 1.0 : 0.0;
            else if (accept("!="))
                value = value != additive() ? 1.0 : 0.0;
            else if (accept("<"))
                value = value < additive() ? 1.0 : 0.0;
            else if (accept(">"))
                value = value > additive() ? 1.0 : 0.0;
            else
                break;
        }
        return value;
    }
    double additive() {
        double value = multiplicative();
        while (mError.isEmpty()) {
            if (accept("+"))
                value += multiplicative();
            else if (accept("-"))
                value -= multiplicative();
            else
                break;
        }
        return value;
    }
    double multiplicative() {
        double value = unary();
        while (mError.isEmpty()) {
            if (accept("*"))
                value *= unary();
            else if (accept("/"))
                value /= unary();
            else if (accept("%"))
                value = std::fmod(value, unary());
            else
                break;
        }
        return value;
    }
    double unary() {
        if (++mDepth > kMaxDepth) {
            fail(QStringLiteral("expression nested too deeply"));
            return 0.0;
        }
        double value;
        if (accept("-"))
            value = -unary();
        else if (accept("+"))
            value = unary();
        else if (!peekIs("!=") && accept("!"))
            value = unary() == 0.0 ? 1.0 : 0.0;
        else
            value = primary();
        --mDepth;
        return value;
    }
    QString identifier() {
        const qsizetype start = mPos;
        while (mPos < mText.size() && (mText[mPos].isLetterOrNumber() || mText[mPos] == u'_'))
            ++mPos;
        return mText.mid(start, mPos - start);
    }
    double primary() {
        skipSpace();
        if (mPos >= mText.size()) {
            fail(QStringLiteral("unexpected end"));
            return 0.0;
        }
        const QChar c = mText[mPos];
        if (accept("(")) {
            const double value = ternary();
            if (!accept(")"))
                fail(QStringLiteral("expected ')'"));
            return value;
        }
        if (c.isDigit() || c == u'.') {
            const qsizetype start = mPos;
            while (mPos < mText.size() && (mText[mPos].isDigit() || mText[mPos] == u'.'))
                ++mPos;
            if (mPos < mText.size() && (mText[mPos] == u'e' || mText[mPos] == u'E')) {
                ++mPos;
                if (mPos < mText.size() && (mText[mPos] == u'+' || mText[mPos] == u'-'))
                    ++mPos;
                while (mPos < mText.size() && mText[mPos].isDigit())
                    ++mPos;
            }
            bool ok = false;
            const double value = mText.mid(start, mPos - start).toDouble(&ok);
            if (!ok)
                fail(QStringLiteral("malformed number"));
            return value;
        }
        if (c == u'$') {
            ++mPos;
            const QString name = identifier();
            const auto found = mVariables.constFind(name);
            if (found == mVariables.constEnd()) {
                fail(QStringLiteral("unknown variable '$%1'").arg(name));
                return 0.0;
            }
            return found.value();
        }
        if (c.isLetter() || c == u'_') {
            const QString name = identifier();
            if (!accept("(")) {
                fail(QStringLiteral("unknown name '%1'").arg(name));
                return 0.0;
            }
            std::vector<double> args;
            if (!accept(")")) {
                do
                    args.push_back(ternary());
                while (mError.isEmpty() && accept(","));
                if (!accept(")"))
                    fail(QStringLiteral("expected ')'"));
            }
            return call(name, args);
        }
        fail(QStringLiteral("unexpected '%1'").arg(c));
        return 0.0;
    }
    double call(const QString& name, const std::vector<double>& a) {
        struct Unary {
            const char* name;
            double (*fn)(double);
        };
        static const Unary unaries[] = {
            {"abs",
             [](double x) {
                 return std::fabs(x);
             }},
            {"ceil",
             [](double x) {
                 return std::ceil(x);
             }},
            {"cos",
             [](double x) {
                 return std::cos(x);
             }},
            {"exp",
             [](double x) {
                 return std::exp(x);
             }},
            {"floor",
             [](double x) {
                 return std::floor(x);
             }},
            {"log",
             [](double x) {
                 return std::log(x);
             }},
            {"round",
             [](double x) {
                 return std::round(x);
             }},
            {"sin",
             [](double x) {
                 return std::sin(x);
             }},
            {"sqrt",
             [](double x) {
                 return std::sqrt(x);
             }},
            {"tan",
             [](double x) {
                 return std::tan(x);
             }},
            {"trunc",
             [](double x) {
                 return std::trunc(x);
             }},
        };
        for (const Unary& u : unaries) {
            if (name == QLatin1StringView(u.name)) {
                if (a.size() != 1)
                    break;
                return u.fn(a[0]);
            }
        }
        if (name == u"min" && a.size() == 2)
            return std::fmin(a[0], a[1]);
        if (name == u"max" && a.size() == 2)
            return std::fmax(a[0], a[1]);
        if (name == u"pow" && a.size() == 2)
            return std::pow(a[0], a[1]);
        if (name == u"mod" && a.size() == 2)
            return std::fmod(a[0], a[1]);
        if (name == u"clamp" && a.size() == 3)
            return std::fmin(std::fmax(a[0], a[1]), a[2]);
        fail(QStringLiteral("unknown function '%1' of %2 arguments").arg(name).arg(a.size()));
        return 0.0;
    }

    const QString& mText;
    const QHash<QString, double>& mVariables;
    qsizetype mPos = 0;
    int mDepth = 0;
    QString mError;
};

} // namespace

std::optional<double> QCEvaluateSizeExpression(const QString& in_text,
                                               const QHash<QString, double>& in_variables,
                                               QString* out_error) {
    return Evaluator(in_text, in_variables).run(out_error);
}
