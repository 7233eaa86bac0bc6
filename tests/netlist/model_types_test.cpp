#include "netlist/model_types.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

using namespace ob7;

TEST(ModelTypeTable, EveryRowIsSelfConsistent) {
    for (int t = 0; t < ModelTypeCount; ++t) {
        const ModelTypeInfo& row = ModelTypeRow(t);
        SCOPED_TRACE(std::string(row.typeName) + " row " + std::to_string(t));
        EXPECT_EQ(row.paramCount, row.valueCount);
        EXPECT_GE(row.storedCount, row.paramCount);
        std::set<std::string> names;
        for (int i = 0; i < row.paramCount; ++i) {
            const ModelParamInfo& p = row.params[i];
            EXPECT_TRUE(names.insert(p.name).second) << "duplicate " << p.name;
            EXPECT_NE(p.flags & kParamFlagListed, 0) << p.name;
            EXPECT_TRUE(p.kind >= kParamReal && p.kind <= kParamText) << p.name;
        }
        if (row.tMeasured) {
            ASSERT_LT(row.tMeasured + 3, row.paramCount);
            EXPECT_STREQ(row.params[row.tMeasured].name, "T_MEASURED");
            EXPECT_STREQ(row.params[row.tMeasured + 1].name, "T_ABS");
            EXPECT_STREQ(row.params[row.tMeasured + 2].name, "T_REL_GLOBAL");
            EXPECT_STREQ(row.params[row.tMeasured + 3].name, "T_REL_LOCAL");
        }
    }
}

TEST(ModelTypeTable, DefaultsKindsChecksAndFlags) {
    const ModelTypeInfo& d = ModelTypeRow(kModelDiode);
    int is = FindModelParam(kModelDiode, "IS");
    EXPECT_DOUBLE_EQ(d.params[is].defaultValue.real, 1e-14);
    EXPECT_EQ(d.params[is].check, '+');
    EXPECT_EQ(d.params[is].flags, 0x0F);
    EXPECT_EQ(d.params[FindModelParam(kModelDiode, "RL")].flags, 0x01);
    EXPECT_EQ(d.params[FindModelParam(kModelDiode, "ISR")].flags, 0x05);
    EXPECT_EQ(d.params[d.tMeasured].defaultValue.real, ParamNotGiven);

    const ModelTypeInfo& q = ModelTypeRow(kModelNpn);
    EXPECT_EQ(q.params[FindModelParam(kModelNpn, "ISS")].check, '-');
    EXPECT_EQ(q.params[FindModelParam(kModelNpn, "VAF")].flags, 0x2F);
    EXPECT_EQ(q.params, ModelTypeRow(kModelLpnp).params);

    const ModelTypeInfo& out = ModelTypeRow(kModelDOutput);
    int s1 = FindModelParam(kModelDOutput, "S1NAME");
    EXPECT_EQ(out.params[s1].kind, kParamState);
    EXPECT_EQ(out.params[s1].defaultValue.state[0], '1');
    EXPECT_EQ(out.params[s1].defaultValue.state[1], 0);
    EXPECT_DOUBLE_EQ(out.params[FindModelParam(kModelDOutput, "S1VHI")].defaultValue.real, 10);

    const ModelTypeInfo& uio = ModelTypeRow(kModelUio);
    EXPECT_STREQ(uio.params[FindModelParam(kModelUio, "DIGPOWER")].defaultValue.text, "DIGIFPWR");
    EXPECT_STREQ(uio.params[FindModelParam(kModelUio, "DTOA3")].defaultValue.text, "DtoADefault");

    const ModelTypeInfo& n8 = ModelTypeRow(kModelNmos8);
    const ModelTypeInfo& p8 = ModelTypeRow(kModelPmos8);
    int noia = FindModelParam(kModelNmos8, "NOIA");
    EXPECT_DOUBLE_EQ(n8.params[noia].defaultValue.real, 1e20);
    EXPECT_DOUBLE_EQ(p8.params[noia].defaultValue.real, 9.9e18);
    EXPECT_DOUBLE_EQ(p8.params[FindModelParam(kModelPmos8, "NOIC")].defaultValue.real, 1.4e-12);
    EXPECT_EQ(n8.params[0].group, 6);
    EXPECT_EQ(n8.params[0].flags, 0x1F);
    EXPECT_EQ(ModelTypeRow(kModelUbgt).paramCount, 0);
}

TEST(ModelTypeTable, FindModelType) {
    struct Case { const char* name; int type; };
    for (Case c : {Case{"NMOS", 3}, {"PMOS", 16}, {"R", 14}, {"RES", 14}, {"nmos", -1},
                   {"LPNP", 38}, {"UIO", 31}, {"", -1}}) {
        EXPECT_EQ(FindModelType(c.name), c.type) << c.name;
    }
}

TEST(ModelTypeTable, FindModelParamWithAliases) {
    struct Case { int type; const char* name; const char* found; };
    for (Case c : {Case{kModelNpn, "va", "VAF"}, {kModelPnp, "PT", "XTI"}, {kModelLpnp, "CCS", "CJS"},
                   {kModelNmos4, "TEMP", "T_ABS"}, {kModelNmos5, "lk1", "K1L"},
                   {kModelNmos8, "JSW", "JSSW"}, {kModelTrn, "Z0", "ZO"}, {kModelDiode, "bv", "BV"}}) {
        int i = FindModelParam(c.type, c.name);
        ASSERT_GE(i, 0) << c.name;
        EXPECT_STREQ(ModelTypeRow(c.type).params[i].name, c.found);
    }
    EXPECT_EQ(FindModelParam(kModelNmos, "TEMP"), -1);   // TEMP is an alias of the level-4 sets only
    EXPECT_EQ(FindModelParam(kModelNmos5, "TEMP"), -1);
    EXPECT_EQ(FindModelParam(kModelNpn, std::string(30, 'V').c_str()), -1);
    EXPECT_EQ(FindModelParam(kModelNpn, "NOPE"), -1);
}
