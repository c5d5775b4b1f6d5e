// The stand-in's message catalog: built-in English texts for "solvlib:solvUtility",
// argument filling ({0}, {1}, ... stand for the arguments in order), and the test
// hooks of testing/catalog.hpp.
//
// Column headers of the layouts that print a two-line header hold a line break, so the
// second header line is exercised; keys that also appear in one-line layouts do not.
#include <map>
#include <mutex>
#include <string_view>

#include "kaldor/testing/catalog.hpp"
#include "kaldor/user_error.hpp"
#include "solvutil/host/hostmsg.hpp"

namespace hostmsg {

BaseMsgID::BaseMsgID(std::vector<MsgArg> arguments, std::string catalog, std::string key)
    : arguments_(std::move(arguments)), catalog_(std::move(catalog)), key_(std::move(key)) {}
BaseMsgID::~BaseMsgID() = default;
BaseMsgID::BaseMsgID(const BaseMsgID&) = default;
BaseMsgID& BaseMsgID::operator=(const BaseMsgID&) = default;

KdLocale::KdLocale(std::string name) : name_(std::move(name)) {}

const KdLocale& KdLocale::global() {
    static const KdLocale english("en_US");
    return english;
}

}  // namespace hostmsg

namespace {

constexpr std::string_view kSolvUtility = "solvlib:solvUtility";

struct Entry {
    std::string_view key;
    std::u16string_view text;
};

constexpr Entry kEnglish[] = {
    {"Iter", u"Iter"},
    {"Time", u"Time"},
    {"Fval", u"Fval"},
    {"Resnorm", u"Resnorm"},
    {"PrimalInfeas", u"Primal Infeas"},
    {"DualInfeas", u"Dual Infeas"},
    {"Complementarity", u"Complementarity"},
    {"BarrierParam", u"Barrier Param"},
    {"StepLength", u"Step Length"},
    {"NumCorr", u"NumCorr"},
    {"StepType", u"Step Type"},
    {"RegType", u"Reg Type"},
    {"Fcount", u"F-count"},
    {"Feasibility", u"Feasibility"},
    {"StepNorm", u"Norm of\nstep"},
    {"FirstOrderOpt", u"First-order\noptimality"},
    {"PenaltyParam", u"Penalty\nparameter"},
    {"Action", u"Action"},
    {"ActiveConstr", u"Active\nconstraints"},
    {"added", u"added"},
    {"LPPreprocessorDisplay",
     u"LP preprocessing removed {0} inequalities, {1} equalities, {2} variables, and "
     u"{3}{4} nonzero elements."},
};

struct Hooks {
    std::mutex mutex;
    std::size_t total = 0;
    std::map<std::string, std::size_t> perKey;
    std::map<std::string, int> failing;
    std::map<std::string, std::u16string> texts;
};

Hooks& hooks() {
    static Hooks h;
    return h;
}

void appendArgument(std::u16string& out, const hostmsg::MsgArg& arg) {
    struct Visitor {
        std::u16string& out;
        void operator()(std::int64_t v) const {
            const std::string s = std::to_string(v);
            out.append(s.begin(), s.end());
        }
        void operator()(std::uint64_t v) const {
            const std::string s = std::to_string(v);
            out.append(s.begin(), s.end());
        }
        void operator()(const std::string& v) const { out += hostmsg::to_ustring(v); }
        void operator()(const std::u16string& v) const { out += v; }
    };
    std::visit(Visitor{out}, arg);
}

// Replaces each {n} by argument n; a brace that does not start a valid reference is
// kept as it is.
std::u16string fill(std::u16string_view text, const std::vector<hostmsg::MsgArg>& args) {
    std::u16string out;
    out.reserve(text.size() + 16 * args.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'{') {
            std::size_t j = i + 1;
            std::size_t n = 0;
            while (j < text.size() && text[j] >= u'0' && text[j] <= u'9')
                n = 10 * n + (text[j++] - u'0');
            if (j > i + 1 && j < text.size() && text[j] == u'}' && n < args.size()) {
                appendArgument(out, args[n]);
                i = j;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

}  // namespace

namespace hostmsg {

std::u16string MessageCatalog::get_message(const BaseMsgID& id, const KdLocale& /*locale*/) {
    std::u16string override;
    bool overridden = false;
    {
        Hooks& h = hooks();
        std::lock_guard<std::mutex> lock(h.mutex);
        ++h.total;
        ++h.perKey[id.key()];
        if (h.failing.count(id.key()) != 0) {
            throw kaldor::UserError("KALDOR:messageCatalog:injectedFailure",
                                    "Injected failure for message key " + id.key() + ".");
        }
        if (const auto it = h.texts.find(id.key()); it != h.texts.end()) {
            override = it->second;
            overridden = true;
        }
    }
    if (id.catalog() != kSolvUtility) {
        throw kaldor::UserError("KALDOR:messageCatalog:unknownCatalog",
                                "Unknown message catalog " + id.catalog() + ".");
    }
    if (overridden) return fill(override, id.arguments());
    for (const Entry& e : kEnglish) {
        if (e.key == id.key()) return fill(e.text, id.arguments());
    }
    throw kaldor::UserError("KALDOR:messageCatalog:unknownKey",
                            "Unknown message key " + id.catalog() + ":" + id.key() + ".");
}

}  // namespace hostmsg

namespace kaldor::testing {

std::size_t catalogLookups() {
    std::lock_guard<std::mutex> lock(hooks().mutex);
    return hooks().total;
}

std::size_t catalogLookups(const std::string& key) {
    std::lock_guard<std::mutex> lock(hooks().mutex);
    const auto it = hooks().perKey.find(key);
    return it == hooks().perKey.end() ? 0 : it->second;
}

ScopedCatalogFailure::ScopedCatalogFailure(std::string key) : key_(std::move(key)) {
    std::lock_guard<std::mutex> lock(hooks().mutex);
    ++hooks().failing[key_];
}

ScopedCatalogFailure::~ScopedCatalogFailure() {
    std::lock_guard<std::mutex> lock(hooks().mutex);
    if (--hooks().failing[key_] == 0) hooks().failing.erase(key_);
}

ScopedCatalogText::ScopedCatalogText(std::string key, std::u16string text) : key_(std::move(key)) {
    std::lock_guard<std::mutex> lock(hooks().mutex);
    hooks().texts[key_] = std::move(text);
}

ScopedCatalogText::~ScopedCatalogText() {
    std::lock_guard<std::mutex> lock(hooks().mutex);
    hooks().texts.erase(key_);
}

}  // namespace kaldor::testing
