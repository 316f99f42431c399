// Keyframe evaluation: interpolation, holds, lazy sorting, late keys, equal times.
#include "scene/VariableResource.h"

#include <gtest/gtest.h>

namespace {
void Key(CVariableResource& v, float t, std::initializer_list<float> values)
{
    Keyframe* k = v.AddKeyframe(t);
    int32_t i = 0;
    for (float x : values)
        k->Set(i++, x);
}

float At(CVariableResource& v, float t)
{
    v.Evaluate(t);
    return v.GetComponent(0, -99.0f);
}

TEST(Variable, InterpolatesAndHoldsAtBothEnds)
{
    CVariableResource v("v", "linear", 1);
    Key(v, 0, {0});
    Key(v, 2, {10});
    EXPECT_FLOAT_EQ(At(v, 1.0f), 5.0f);
    EXPECT_FLOAT_EQ(At(v, 3.0f), 10.0f);
    EXPECT_FLOAT_EQ(v.GetValue().time, 2.0f); // a hold copies the whole key
    EXPECT_FLOAT_EQ(At(v, -1.0f), 0.0f);
    EXPECT_FLOAT_EQ(At(v, 2.0f), 10.0f); // exact hit on a later key

    CVariableResource one("one", "linear", 2);
    Key(one, 3, {7, 8});
    EXPECT_FLOAT_EQ(At(one, 0.0f), 7.0f);
    EXPECT_FLOAT_EQ(At(one, 100.0f), 7.0f);
    EXPECT_FLOAT_EQ(one.GetComponent(1, 0.0f), 8.0f);
}

TEST(Variable, NoKeysKeepsUsersAtDefaultsAndNegativeCountIsZero)
{
    CVariableResource none("none", "linear", 3);
    none.Evaluate(1.0f);
    EXPECT_EQ(none.GetValue().Count(), 0);
    EXPECT_FLOAT_EQ(none.GetComponent(0, 1.0f), 1.0f);

    CVariableResource negative("neg", "cubic", -5);
    EXPECT_EQ(negative.GetComponentCount(), 0);
    Keyframe* k = negative.AddKeyframe(0.0f);
    EXPECT_TRUE(k->values.empty());
    negative.Evaluate(1.0f);
    EXPECT_EQ(negative.GetValue().Count(), 0);
}

TEST(Variable, KeysSortLazilyIncludingKeysAddedWhileAnimating)
{
    CVariableResource v("v", "linear", 1);
    Key(v, 5, {50});
    Key(v, 1, {10});
    EXPECT_FLOAT_EQ(At(v, 3.0f), 30.0f);

    CVariableResource late("late", "linear", 1);
    Key(late, 0, {0});
    Key(late, 4, {40});
    EXPECT_FLOAT_EQ(At(late, 3.0f), 30.0f);
    Key(late, 2, {100});
    EXPECT_FLOAT_EQ(At(late, 3.0f), 70.0f); // now between the keys at 2 and 4
}

TEST(Variable, EqualTimeKeysStepInInsertionOrder)
{
    CVariableResource v("v", "linear", 1);
    Key(v, 0, {0});
    Key(v, 2, {10}); // value before the step
    Key(v, 2, {20}); // value after the step
    Key(v, 4, {40});
    EXPECT_FLOAT_EQ(At(v, 1.0f), 5.0f);  // towards the first key at 2
    EXPECT_FLOAT_EQ(At(v, 2.0f), 20.0f); // at and after: from the last key at 2
    EXPECT_FLOAT_EQ(At(v, 3.0f), 30.0f);
}

TEST(Variable, StorageFollowsTheWrittenComponentsNotTheDeclaredCount)
{
    CVariableResource wide("wide", "linear", kMaxVariableComponents);
    Key(wide, 0, {2});
    Key(wide, 2, {4, 0, 6});
    wide.Evaluate(1.0f);
    EXPECT_EQ(wide.GetValue().Count(), kMaxVariableComponents);
    EXPECT_EQ(wide.GetValue().values.size(), 3u);
    EXPECT_FLOAT_EQ(wide.GetComponent(0, -1), 3.0f);
    EXPECT_FLOAT_EQ(wide.GetComponent(2, -1), 3.0f);
    EXPECT_FLOAT_EQ(wide.GetComponent(4000, -1), 0.0f); // declared, never written
    EXPECT_FLOAT_EQ(wide.GetComponent(kMaxVariableComponents, -1), -1.0f);

    // A key's components past the count are ignored, never stored.
    Keyframe* k = wide.AddKeyframe(3);
    k->Set(kMaxVariableComponents, 1.0f);
    k->Set(-1, 1.0f);
    EXPECT_TRUE(k->values.empty());
    EXPECT_EQ(CVariableResource("huge", "linear", 2000000000).GetComponentCount(), kMaxVariableComponents);
}

TEST(Variable, AdvanceMovesItsOwnClock)
{
    CVariableResource v("v", "linear", 1);
    Key(v, 0, {0});
    Key(v, 4, {4});
    v.Advance(1.5f);
    v.Advance(1.5f);
    EXPECT_FLOAT_EQ(v.GetLocalTime(), 3.0f);
    EXPECT_FLOAT_EQ(v.GetComponent(0, 0), 3.0f);
}
} // namespace
