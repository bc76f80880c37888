// Generated files and random edits, checked against a plain map of sections and keys.
#include "settings/FastIniFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using Model = std::map<std::string, std::map<std::string, std::string>>;  // upper-cased names

struct Generated {
    std::string Text;
    Model Values;
    std::vector<std::string> Lines;                      // every line, in order
    std::map<std::string, std::set<size_t>> SectionOf;  // upper section -> its lines (comments, texts)
    std::map<std::pair<std::string, std::string>, size_t> KeyLine;
};

class Generator {
public:
    explicit Generator(unsigned seed) : FRng(seed) {}
    unsigned Pick(unsigned n) { return static_cast<unsigned>(FRng() % n); }
    std::string Case(const std::string& s) {
        std::string r = s;
        for (char& c : r)
            if (Pick(2) && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
                c = static_cast<char>(c ^ 0x20);
        return r;
    }
    // AT-command-like values: ";", quotes, blanks and "=" where a plain line would lose them.
    std::string Value() {
        static const std::vector<std::string> tokens = {"AT",  "+CMGF=1", ";", " ", "\"GSM\"", "'", "=",
                                                        "x",   "ATD5551234", "#", "[", "]",       "%", "\t"};
        std::string v;
        for (unsigned n = Pick(6); n > 0; --n)
            v += tokens[Pick(static_cast<unsigned>(tokens.size()))];
        return v;
    }
    std::mt19937 FRng;
};

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return s;
}

const std::vector<std::string> SectionPool = {"comport", "cfg", "Last", "CmdHis", "Btns", "new1", "new2"};
const std::vector<std::string> KeyPool = {"Port", "BaudRate", "Left", "CMD0", "CMD1", "CMDCount", "Caption", "k"};

Generated MakeFile(Generator& g, bool big) {
    Generated out;
    int uniq = 0;
    std::string lastEnd;
    auto line = [&](const std::string& text) {
        static const char* ends[] = {"\r\n", "\n", "\r"};
        std::string end = ends[g.Pick(3)];
        if (text.empty() && lastEnd == "\r" && end == "\n")
            end = "\r\n";  // CR then LF would end only one line
        out.Text += text + end;
        lastEnd = end;
        out.Lines.push_back(text);
        return out.Lines.size() - 1;
    };
    if (g.Pick(2)) {
        line("; global " + IntToStr(uniq++));
        line("gk=" + IntToStr(uniq++));
    }
    std::vector<std::string> sections(SectionPool.begin(), SectionPool.begin() + 5);
    std::shuffle(sections.begin(), sections.end(), g.FRng);
    sections.resize(1 + g.Pick(5));
    for (const std::string& section : sections) {
        std::string S = Upper(section);
        out.Values[S];
        line("[" + g.Case(section) + "]");
        std::vector<std::string> keys = KeyPool;
        if (big)
            for (int i = 0; i < 300; ++i)
                keys.push_back("big" + IntToStr(i));
        std::shuffle(keys.begin(), keys.end(), g.FRng);
        keys.resize(big ? keys.size() : g.Pick(static_cast<unsigned>(keys.size())));
        for (const std::string& key : keys) {
            while (g.Pick(4) == 0) {
                switch (g.Pick(4)) {
                    case 0:
                        out.SectionOf[S].insert(line("; c" + IntToStr(uniq++)));
                        break;
                    case 1:
                        line("");
                        break;
                    case 2:
                        out.SectionOf[S].insert(line("text line " + IntToStr(uniq++)));
                        break;
                    default:
                        out.SectionOf[S].insert(line("  [not a header " + IntToStr(uniq++) + "]"));
                        break;
                }
            }
            std::string value = "v" + IntToStr(uniq++);
            std::string k = g.Case(key);
            size_t at;
            switch (g.Pick(4)) {
                case 0:
                    at = line(k + "=" + value);
                    break;
                case 1:
                    at = line("  " + k + " = " + value + "  ");
                    break;
                case 2:
                    at = line(k + " = " + value + " ; c" + IntToStr(uniq++));
                    break;
                default:
                    at = line("\t" + k + "\t=\t" + value);
                    break;
            }
            out.Values[S][Upper(key)] = value;
            out.KeyLine[{S, Upper(key)}] = at;
        }
        if (g.Pick(2))
            out.SectionOf[S].insert(line("; after the keys " + IntToStr(uniq++)));
        if (g.Pick(2))
            line("");
    }
    if (g.Pick(2) && !out.Text.empty() && out.Text.back() == '\n' && lastEnd == "\r\n")
        out.Text.resize(out.Text.size() - 2);  // a last line without a line end
    return out;
}

// The lines of a file, split as the class splits them (a file never rewritten keeps its own line ends).
std::vector<std::string> SplitLines(const std::string& text) {
    TStringList list;
    list.SetText(text);
    std::vector<std::string> lines;
    for (int i = 0; i < list.Count(); ++i)
        lines.push_back(list[i]);
    return lines;
}

void CheckAgainstModel(TFastIniFile& ini, const Model& model, const std::string& context) {
    for (const std::string& section : SectionPool) {
        auto s = model.find(Upper(section));
        EXPECT_EQ(ini.SectionExists(section), s != model.end()) << section << context;
        for (const std::string& key : KeyPool) {
            std::string expected = "<none>";
            if (s != model.end()) {
                auto k = s->second.find(Upper(key));
                if (k != s->second.end())
                    expected = k->second;
            }
            EXPECT_EQ(ini.ReadString(section, key, "<none>"), expected) << "[" << section << "] " << key << context;
        }
        if (s != model.end()) {
            TStringList names;
            ini.ReadSection(section, &names);
            std::set<std::string> got;
            for (int i = 0; i < names.Count(); ++i)
                got.insert(Upper(names[i]));
            std::set<std::string> want;
            for (auto& [k, v] : s->second)
                want.insert(k);
            EXPECT_EQ(got, want) << section << context;
        }
    }
}

void RunRound(unsigned seed, bool big) {
    Generator g(seed);
    TempDir dir;
    std::string name = dir.File("p.ini");
    Generated file = MakeFile(g, big);
    WriteFileBytes(name, file.Text);
    Model model = file.Values;
    std::set<std::pair<std::string, std::string>> touched;
    std::set<std::string> erased;
    bool reopened = false;
    std::string log = "\nseed " + IntToStr(seed) + ", file:\n" + file.Text + "\nsteps:";
    auto ini = std::make_unique<TFastIniFile>(name);
    EXPECT_EQ(ini->KeyIndexMode(), false);  // nothing read yet
    for (unsigned step = 0, steps = 1 + g.Pick(40); step < steps; ++step) {
        const std::string& section = SectionPool[g.Pick(static_cast<unsigned>(SectionPool.size()))];
        const std::string& key = KeyPool[g.Pick(static_cast<unsigned>(KeyPool.size()))];
        std::string S = Upper(section), K = Upper(key);
        switch (g.Pick(10)) {
            case 0: {
                ini->EraseSection(g.Case(section));
                log += "\nEraseSection " + section;
                model.erase(S);
                erased.insert(S);
                break;
            }
            case 1:
            case 2: {
                ini->DeleteKey(g.Case(section), g.Case(key));
                log += "\nDeleteKey " + section + " " + key;
                if (model.count(S))
                    model[S].erase(K);
                touched.insert({S, K});
                break;
            }
            case 3: {
                ini->UpdateFile();
                ini = std::make_unique<TFastIniFile>(name);
                reopened = true;
                log += "\nreopen";
                break;
            }
            default: {
                std::string value = g.Value();
                ini->WriteString(g.Case(section), g.Case(key), value);
                log += "\nWriteString " + section + " " + key + " <" + value + ">";
                model[S][K] = value;
                touched.insert({S, K});
                break;
            }
        }
    }
    CheckAgainstModel(*ini, model, log);
    if (!reopened) {
        // (a reopened file may have gained small sections, and the mode is judged when a file is read)
        EXPECT_EQ(ini->KeyIndexMode(), big);
    }
    ini.reset();

    TFastIniFile fresh(name);
    CheckAgainstModel(fresh, model, log + "\n(after saving)");

    // Lines no step touched come back byte for byte and in their order.
    std::set<size_t> kept;
    for (auto& [sk, at] : file.KeyLine)
        if (!touched.count(sk) && !erased.count(sk.first))
            kept.insert(at);
    for (auto& [s, lines] : file.SectionOf)
        if (!erased.count(s))
            kept.insert(lines.begin(), lines.end());
    for (size_t i = 0; i < file.Lines.size(); ++i)
        if (file.Lines[i].rfind("; global", 0) == 0 || file.Lines[i].rfind("gk=", 0) == 0)
            kept.insert(i);
    std::set<std::string> keptText;
    std::vector<std::string> expected;
    for (size_t i : kept) {
        expected.push_back(file.Lines[i]);
        keptText.insert(file.Lines[i]);
    }
    std::vector<std::string> got;
    for (const std::string& l : SplitLines(ReadFileBytes(name)))
        if (keptText.count(l))
            got.push_back(l);
    EXPECT_EQ(got, expected) << log;
}

TEST(FastIniFileProperty, EditsReadBackLikeAMapAndLeaveOtherLinesAlone) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        RunRound(seed, false);
        if (::testing::Test::HasFailure())
            break;
    }
}

TEST(FastIniFileProperty, TheSameHoldsInKeyIndexMode) {
    for (unsigned seed = 1000; seed < 1030; ++seed) {
        RunRound(seed, true);
        if (::testing::Test::HasFailure())
            break;
    }
}

}  // namespace
