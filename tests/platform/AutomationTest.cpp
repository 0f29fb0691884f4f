#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/Automation.h"
#include "platform/MemberIdCache.h"

namespace tabrova::automation {
namespace {

struct NoMembers : Object {
    Variant get(std::u16string_view, std::span<const Variant>) override { return {}; }
    Variant call(std::u16string_view, std::span<const Variant>) override { return {}; }
};

TEST(VariantText, NumbersInGeneralFormWithFifteenDigits) {
    const struct {
        Variant value;
        char16_t separator;
        std::u16string text;
    } cases[] = {
        {0.0, u'.', u"0"},
        {-0.0, u'.', u"0"},
        {123.0, u'.', u"123"},
        {0.43, u'.', u"0.43"},
        {-180.6, u'.', u"-180.6"},
        {1.5, u',', u"1,5"},
        {0.1 + 0.2, u'.', u"0.3"},
        {1.0 / 3.0, u'.', u"0.333333333333333"},
        {1e-4, u'.', u"0.0001"},
        {0.00012345, u'.', u"0.00012345"},
        {1e-5, u'.', u"1E-5"},
        {-2.5e-7, u',', u"-2,5E-7"},
        {123456789012345.0, u'.', u"123456789012345"},
        {999999999999999.4, u'.', u"999999999999999"},
        {1e15, u'.', u"1E15"},
        {1e20, u'.', u"1E20"},
        {1234567890123456789.0, u',', u"1,23456789012346E18"},
        {std::int32_t{-7}, u'.', u"-7"},
        {true, u'.', u"True"},
        {false, u'.', u"False"},
        {Empty{}, u'.', u""},
        {u"12a", u'.', u"12a"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_TRUE(cases[i].value.toText(cases[i].separator) == cases[i].text) << "case " << i;
    }
}

TEST(VariantText, RefusesValuesWithoutText) {
    const Variant refused[] = {Null{},
                               ErrorValue{static_cast<std::int32_t>(0x800A07FA)},
                               ObjectPtr(std::make_shared<NoMembers>()),
                               std::vector<double>{1.0},
                               Missing{},
                               VariantArray(1, 1)};
    for (const auto& v : refused) EXPECT_THROW(v.toText(), AutomationError);
    const Variant array = VariantArray(2, 2);
    EXPECT_THROW(array.toDouble(), AutomationError);
    EXPECT_THROW(array.toBool(), AutomationError);
    EXPECT_THROW(array.toObject(), AutomationError);
}

TEST(VariantArray, RowsByColumnsFromOneAndSharedWhenCopied) {
    VariantArray grid(2, 3);
    grid.at(1, 1) = u"top left";
    grid.at(1, 3) = 3.5;
    grid.at(2, 1) = true;
    const Variant value = std::move(grid);
    const Variant copy = value;
    ASSERT_NE(copy.array(), nullptr);
    EXPECT_EQ(copy.array(), value.array());
    const VariantArray& a = *copy.array();
    EXPECT_EQ(a.rows(), 2u);
    EXPECT_EQ(a.columns(), 3u);
    EXPECT_EQ(a.at(1, 1).toText(), u"top left");
    EXPECT_EQ(a.at(1, 3).toDouble(), 3.5);
    EXPECT_TRUE(a.at(2, 1).toBool());
    EXPECT_TRUE(a.at(2, 3).isEmpty());
    for (const auto& [row, column] :
         {std::pair<std::size_t, std::size_t>{0, 1}, {1, 0}, {3, 1}, {1, 4}})
        EXPECT_THROW(a.at(row, column), std::out_of_range) << row << "," << column;
    EXPECT_EQ(Variant(1.0).array(), nullptr);
}

TEST(VariantNumbers, CoercionAndRoundingTiesToEven) {
    const struct {
        Variant value;
        std::int32_t asInt;
    } cases[] = {
        {12.5, 12},    {13.5, 14},     {-2.5, -2}, {8.43, 8},  {std::int32_t{-4131}, -4131},
        {u" 42 ", 42}, {u"1e3", 1000}, {true, -1}, {false, 0}, {Empty{}, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.value.toInt(), c.asInt) << c.asInt;

    EXPECT_DOUBLE_EQ(Variant(u"-1.25").toDouble(), -1.25);
    EXPECT_DOUBLE_EQ(Variant(std::int32_t{7}).toDouble(), 7.0);

    const Variant notNumbers[] = {u"",     u"abc", u"inf",        u"nan",   u"1,5",
                                  u"１２", Null{}, ErrorValue{7}, Missing{}};
    for (const auto& v : notNumbers) EXPECT_THROW(v.toDouble(), AutomationError);
    EXPECT_THROW(Variant(3e9).toInt(), AutomationError);
    EXPECT_THROW(Variant(std::numeric_limits<double>::quiet_NaN()).toInt(), AutomationError);
    try {
        Variant(Null{}).toDouble();
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::typeMismatch);
        EXPECT_FALSE(e.message().empty());
    }
}

TEST(VariantBool, FromBooleansNumbersAndTexts) {
    EXPECT_TRUE(Variant(true).toBool());
    EXPECT_TRUE(Variant(u"TRUE").toBool());
    EXPECT_FALSE(Variant(u"false").toBool());
    EXPECT_TRUE(Variant(-1.0).toBool());
    EXPECT_FALSE(Variant(std::int32_t{0}).toBool());
    EXPECT_FALSE(Variant(u"0").toBool());
    EXPECT_THROW(Variant(Null{}).toBool(), AutomationError);
    EXPECT_THROW(Variant(u"yes").toBool(), AutomationError);
}

TEST(VariantObject, EmptyReferencesAreNotObjects) {
    const auto object = std::make_shared<NoMembers>();
    EXPECT_EQ(Variant(ObjectPtr(object)).toObject(), object);
    EXPECT_TRUE(Variant(ObjectPtr(object)).isObject());
    EXPECT_FALSE(Variant(ObjectPtr()).isObject());
    EXPECT_THROW(Variant(ObjectPtr()).toObject(), AutomationError);
    EXPECT_THROW(Variant(Empty{}).toObject(), AutomationError);
    EXPECT_THROW(Variant(1.0).toObject(), AutomationError);
}

TEST(Registry, StandInsMatchWithoutCaseAndVersion) {
    const auto app = std::make_shared<NoMembers>();
    registerStandIn(u"Tabrova.TestApp", app);
    for (std::u16string_view name :
         {u"Tabrova.TestApp", u"TABROVA.TESTAPP", u"tabrova.testapp.16"}) {
        EXPECT_EQ(activeObject(classIdFromProgId(name)), app);
    }
    unregisterStandIn(u"TABROVA.TESTAPP.3");
    // Without its stand-in the ProgID is the system's business: unknown to it (an error) or
    // known but not running.
    try {
        EXPECT_EQ(activeObject(classIdFromProgId(u"Tabrova.TestApp")), nullptr);
    } catch (const AutomationError&) {
    }
}

TEST(MemberIdCache, KindsFollowTheMemberThatReturnedTheObject) {
    MemberIdCache cache;
    const auto app = cache.rootKind(u"{00024500-0000-0000-C000-000000000046}");
    EXPECT_EQ(cache.rootKind(u"{00024500-0000-0000-c000-000000000046}"), app);
    const auto sheet = cache.childKind(app, u"ActiveSheet", 0);
    const auto range = cache.childKind(sheet, u"Range", 2);
    EXPECT_EQ(cache.childKind(sheet, u"RANGE", 2), range);
    EXPECT_NE(range, sheet);
    // Borders without arguments is the collection, Borders(8) one border.
    EXPECT_NE(cache.childKind(range, u"Borders", 0), cache.childKind(range, u"Borders", 1));
    EXPECT_NE(cache.childKind(app, u"Range", 2), range);
}

TEST(MemberIdCache, OneLookupPerKindAndMemberAndAgainWhenTheIdGoesStale) {
    MemberIdCache cache;
    const auto kind = cache.rootKind(u"app");
    int lookups = 0;
    std::int32_t serverId = 5;
    std::vector<std::int32_t> invoked;
    auto lookup = [&] {
        ++lookups;
        return serverId;
    };
    auto invoke = [&](std::int32_t id) {
        invoked.push_back(id);
        return id == serverId;  // false: member not found
    };
    EXPECT_TRUE(cache.invokeByName(kind, u"Text", lookup, invoke));
    EXPECT_TRUE(cache.invokeByName(kind, u"text", lookup, invoke));
    EXPECT_EQ(lookups, 1);
    serverId = 9;
    EXPECT_TRUE(cache.invokeByName(kind, u"Text", lookup, invoke));
    EXPECT_EQ(lookups, 2);
    EXPECT_EQ(invoked, (std::vector<std::int32_t>{5, 5, 5, 9}));
    EXPECT_EQ(cache.find(kind, u"TEXT"), 9);
    EXPECT_EQ(cache.find(cache.childKind(kind, u"Text", 0), u"Text"), std::nullopt);
}

}  // namespace
}  // namespace tabrova::automation
