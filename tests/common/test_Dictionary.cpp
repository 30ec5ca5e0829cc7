#include "u_CaseBlind.h"
#include "u_Dictionary.h"
#include "u_ObjectDictionary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

template <class F>
std::string ErrorOf(F&& f) {
    try {
        f();
    } catch (const EDictionaryError& e) {
        return e.Message();
    }
    return "no error";
}

void* V(std::intptr_t n) {
    return reinterpret_cast<void*>(n);
}

// Records every notification.
class TRecordingDictionary : public TDictionary {
public:
    using TDictionary::TDictionary;
    ~TRecordingDictionary() override { Clear(); }
    std::vector<std::string> Log;

protected:
    void Notify(std::string_view Key, TValue Value, TDictionaryAction Action) override {
        Log.push_back((Action == daAdded ? "+" : "-") + std::string(Key) + "=" +
                      std::to_string(reinterpret_cast<std::intptr_t>(Value)));
    }
};

// Counts live instances so that ownership can be checked.
struct TCounted {
    static int Alive;
    int Id;
    explicit TCounted(int id) : Id(id) { ++Alive; }
    ~TCounted() { --Alive; }
};
int TCounted::Alive = 0;

} // namespace

TEST(Dictionary, CaseBlindKeysKeepFirstSpelling) {
    TDictionary d(true, true);
    d.Add("index.HTML", V(1));
    EXPECT_EQ(ErrorOf([&] { d.Add("Index.html", V(2)); }),
              "TDictionary.Add - element \"Index.html\" is already in collection");
    EXPECT_EQ(d.Count(), 1);
    EXPECT_TRUE(d.Exists("INDEX.html"));
    d.Set_Item("Index.Html", V(3));
    EXPECT_EQ(d.Count(), 1);
    EXPECT_EQ(d.Get_Item("index.html"), V(3));
    EXPECT_EQ(d.Keys(), Strings{"index.HTML"});
    EXPECT_EQ(*d.StoredKey("INDEX.HTML"), "index.HTML");
}

TEST(Dictionary, NonAsciiAndInvalidKeys) {
    TDictionary d(true, true);
    d.Add("\xC3\x89t\xC3\xA9.html", V(1)); // Été.html
    EXPECT_TRUE(d.Exists("\xC3\xA9T\xC3\x89.HTML"));
    EXPECT_THROW(d.Add("\xC3\xA9t\xC3\xA9.html", V(2)), EDictionaryError);
    // Two different invalid byte sequences are two keys.
    d.Add("\xFF", V(3));
    d.Add("\xFE", V(4));
    EXPECT_EQ(d.Count(), 3);
    EXPECT_EQ(d.Get_Item("\xFE"), V(4));
}

TEST(Dictionary, CaseSensitiveKeysAreDistinctAndInByteOrder) {
    TDictionary d(false, true);
    d.Add("index.HTML", V(1));
    d.Add("Index.html", V(2));
    d.Add("a", V(3));
    d.Add("B", V(4));
    EXPECT_EQ(d.Count(), 4);
    EXPECT_EQ(d.Keys(), (Strings{"B", "Index.html", "a", "index.HTML"}));
    EXPECT_FALSE(d.Exists("INDEX.HTML"));

    TDictionary blind(true, true);
    blind.Add("a", V(3));
    blind.Add("B", V(4));
    EXPECT_EQ(blind.Keys(), (Strings{"a", "B"}));
}

TEST(Dictionary, SortedAndUnsortedIterationOrder) {
    const Strings input{"pear", "Apple", "fig", "banana", "Cherry", ""};
    TDictionary sorted(true, true);
    TDictionary unsorted(true, false);
    for (size_t i = 0; i < input.size(); ++i) {
        sorted.Add(input[i], V(static_cast<std::intptr_t>(i)));
        unsorted.Add(input[i], V(static_cast<std::intptr_t>(i)));
    }
    EXPECT_EQ(sorted.Keys(), (Strings{"", "Apple", "banana", "Cherry", "fig", "pear"}));
    EXPECT_EQ(unsorted.Keys(), input);
    const TIntegerList values = sorted.Values();
    EXPECT_EQ(std::vector<std::intptr_t>(values.begin(), values.end()),
              (std::vector<std::intptr_t>{5, 1, 3, 4, 2, 0}));

    // A replaced value keeps its first position; a deleted and re-added key moves to the end.
    unsorted.Set_Item("PEAR", V(9));
    unsorted.Delete("fig");
    unsorted.Add("fig", V(10));
    EXPECT_EQ(unsorted.Keys(), (Strings{"pear", "Apple", "banana", "Cherry", "", "fig"}));
    const TIntegerList uvalues = unsorted.Values();
    EXPECT_EQ(uvalues[0], 9);
    EXPECT_EQ(uvalues[5], 10);

    // Cleared and refilled: the new insertion order.
    unsorted.Clear();
    EXPECT_EQ(unsorted.Count(), 0);
    EXPECT_TRUE(unsorted.Keys().empty());
    unsorted.Add("z", nullptr);
    unsorted.Add("y", nullptr);
    unsorted.Add("x", nullptr);
    EXPECT_EQ(unsorted.Keys(), (Strings{"z", "y", "x"}));
}

TEST(Dictionary, MissingKeysRaiseOrDefault) {
    TDictionary d(true, true);
    d.Add("", V(7)); // the empty string is an ordinary key
    EXPECT_EQ(d.Get_Item(""), V(7));
    EXPECT_EQ(ErrorOf([&] { d.Get_Item("Missing"); }),
              "TDictionary.Get_Item - element \"Missing\" not found in collection");
    EXPECT_EQ(ErrorOf([&] { d.Delete("Gone"); }),
              "TDictionary.Delete - element \"Gone\" not found in collection");
    EXPECT_EQ(d.GetItemDef("Missing", V(42)), V(42));
    EXPECT_EQ(d.StoredKey("Missing"), nullptr);
    EXPECT_EQ(d.Count(), 1);
    d.Delete("");
    EXPECT_EQ(d.Count(), 0);
    EXPECT_EQ(ErrorOf([&] { d.Delete(""); }), "TDictionary.Delete - element \"\" not found in collection");
}

TEST(Dictionary, NotificationsOfAddReplaceDeleteClear) {
    TRecordingDictionary d(true, false);
    d.Add("One", V(1));
    EXPECT_EQ(ErrorOf([&] { d.Add("ONE", V(5)); }),
              "TDictionary.Add - element \"ONE\" is already in collection");
    d.Set_Item("one", V(2)); // replace: old value deleted, new one added
    d.Set_Item("Two", V(3));
    d.Delete("TWO"); // deleted notification carries the stored key text
    d.Add("Three", V(4));
    d.Clear(); // post-order over the key tree: the child before the root
    EXPECT_EQ(d.Log,
              (Strings{"+One=1", "-one=1", "+one=2", "+Two=3", "-Two=3", "+Three=4", "-Three=4", "-One=2"}));
}

TEST(Dictionary, RandomOperationsMatchModel) {
    // Compare against a reference built on the same comparison.
    std::mt19937 rng(7);
    for (bool sorted : {true, false}) {
        TDictionary d(true, sorted);
        std::vector<std::pair<std::string, std::intptr_t>> model; // insertion order
        auto find = [&](const std::string& k) {
            return std::find_if(model.begin(), model.end(),
                                [&](const auto& e) { return SameTextCaseBlind(e.first, k); });
        };
        const char* letters = "aAbBcC";
        for (int i = 0; i < 3000; ++i) {
            std::string key;
            for (unsigned n = rng() % 4; n > 0; --n)
                key += letters[rng() % 6];
            const auto it = find(key);
            switch (rng() % 3) {
            case 0:
                if (it == model.end()) {
                    d.Add(key, V(i));
                    model.emplace_back(key, i);
                } else {
                    EXPECT_THROW(d.Add(key, V(i)), EDictionaryError);
                }
                break;
            case 1:
                d.Set_Item(key, V(i));
                if (it == model.end())
                    model.emplace_back(key, i);
                else
                    it->second = i;
                break;
            default:
                if (it == model.end()) {
                    EXPECT_THROW(d.Delete(key), EDictionaryError);
                } else {
                    d.Delete(key);
                    model.erase(it);
                }
            }
        }
        if (sorted)
            std::sort(model.begin(), model.end(), [](const auto& a, const auto& b) {
                return CompareTextCaseBlind(a.first, b.first) < 0;
            });
        Strings keys;
        std::vector<std::intptr_t> values;
        for (const auto& [k, v] : model) {
            keys.push_back(k);
            values.push_back(v);
        }
        EXPECT_EQ(d.Keys(), keys);
        const TIntegerList got = d.Values();
        EXPECT_EQ(std::vector<std::intptr_t>(got.begin(), got.end()), values);
    }
}

TEST(StringToStringDictionary, AddGetSet) {
    TStringToStringDictionary d(true, true);
    d.AddString("Title", "My Book");
    d.AddString("TITLE", "Other"); // existing key: unchanged, nothing reported
    EXPECT_EQ(d.Count(), 1);
    EXPECT_EQ(d.GetString("title"), "My Book");
    EXPECT_EQ(d.GetStringDef("Author", "nobody"), "nobody");
    EXPECT_EQ(ErrorOf([&] { d.GetString("Author"); }),
              "TDictionary.Get_Item - element \"Author\" not found in collection");
    d.SetString("title", "Second");
    d.SetString("Author", "Me");
    EXPECT_EQ(d.GetString("Title"), "Second");
    EXPECT_EQ(d.Keys(), (Strings{"Author", "Title"}));
    Strings pairs;
    d.ForEachString([&](const std::string& k, const std::string& v) { pairs.push_back(k + "=" + v); });
    EXPECT_EQ(pairs, (Strings{"Author=Me", "Title=Second"}));
    d.Delete("AUTHOR");
    EXPECT_EQ(d.Count(), 1);
    // Values containing NUL bytes and long texts are kept whole.
    const std::string big(std::string("a\0b", 3) + std::string(10000, 'x'));
    d.SetString("big", big);
    EXPECT_EQ(d.GetString("BIG"), big);
    // Remaining strings are freed by the destructor (checked by the sanitizer build).
}

TEST(ObjectDictionary, OwningFreesOnReplaceDeleteClearNeverOnExtract) {
    TCounted::Alive = 0;
    {
        TObjectDictionary<TCounted> d(true, true, true);
        d.Add("a", new TCounted(1));
        d.Add("B", std::make_unique<TCounted>(2));
        d.Add("c", new TCounted(3));
        EXPECT_EQ(TCounted::Alive, 3);

        auto dup = std::make_unique<TCounted>(4);
        EXPECT_EQ(ErrorOf([&] { d.Add("A", std::move(dup)); }),
                  "TDictionary.Add - element \"A\" is already in collection");
        EXPECT_EQ(TCounted::Alive, 3); // the refused object was freed by its unique_ptr, not taken

        d.Set_Item("A", new TCounted(5)); // frees 1
        EXPECT_EQ(TCounted::Alive, 3);
        EXPECT_EQ(d.Find("a")->Id, 5);
        d.Set_Item("a", d.Find("a")); // the very same object: kept alive
        EXPECT_EQ(d.Find("a")->Id, 5);
        EXPECT_EQ(TCounted::Alive, 3);

        d.Delete("b"); // frees 2
        EXPECT_EQ(TCounted::Alive, 2);
        d.Delete("missing"); // ignored
        EXPECT_EQ(d.Find("missing"), nullptr);
        EXPECT_EQ(d.Extract("missing"), nullptr);

        std::unique_ptr<TCounted> extracted(d.Extract("C"));
        ASSERT_NE(extracted, nullptr);
        EXPECT_EQ(extracted->Id, 3);
        EXPECT_EQ(d.Count(), 1);
        EXPECT_EQ(TCounted::Alive, 2);

        d.Clear();
        EXPECT_EQ(d.Count(), 0);
        EXPECT_EQ(TCounted::Alive, 1);
        d.Add("x", new TCounted(6));
        d.Add("y", new TCounted(7));
    } // destruction frees the rest
    EXPECT_EQ(TCounted::Alive, 0);
}

TEST(ObjectDictionary, NonOwningLeavesObjectsAlone) {
    TCounted::Alive = 0;
    TCounted one(1), two(2), three(3);
    {
        TObjectDictionary<TCounted> d(true, true, false);
        d.Add("zeta", &one);
        d.Add("Alpha", &two);
        d.Set_Item("alpha", &three);
        d.Add("mid", &one);
        const std::vector<TCounted*> values = d.Values();
        ASSERT_EQ(values.size(), 3u);
        EXPECT_EQ(values[0], &three);
        EXPECT_EQ(values[1], &one);
        EXPECT_EQ(values[2], &one);
        EXPECT_EQ(d.Keys(), (Strings{"Alpha", "mid", "zeta"}));
        d.Delete("ZETA");
        d.Clear();
    }
    EXPECT_EQ(TCounted::Alive, 3);
}
