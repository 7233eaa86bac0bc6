#include "circuit/attribute_ids.h"
#include "foundation/string_table.h"
#include "libraries/component_def.h"
#include "libraries/component_types.h"
#include "netlist/model_types.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace ob7;

// The model type column of the component table indexes the netlist's model type table:
// both headers go into one file, and their indexes agree.
TEST(ComponentTypeTable, ModelTypesAreThoseOfTheModelTypeTable)
{
    const int pairs[][2] = {
        {MT_OPA, kModelOpamp}, {MT_D, kModelDiode}, {MT_NPN, kModelNpn}, {MT_NMOS, kModelNmos},
        {MT_NJF, kModelNjf}, {MT_PUL, kModelPulse}, {MT_SIN, kModelSin}, {MT_TRN, kModelTrn},
        {MT_CORE, kModelCore}, {MT_GASFET, kModelGasfet}, {MT_VSWITCH, kModelVSwitch},
        {MT_ISWITCH, kModelISwitch}, {MT_CAP, kModelCap}, {MT_IND, kModelInd}, {MT_RES, kModelRes},
        {MT_PNP, kModelPnp}, {MT_PMOS, kModelPmos}, {MT_PJF, kModelPjf}, {MT_DOUTPUT, kModelDOutput},
        {MT_DINPUT, kModelDInput}, {MT_UADC, kModelUadc}, {MT_UDAC, kModelUdac}, {MT_UGATE, kModelUgate},
        {MT_UTGATE, kModelUtgate}, {MT_UEFF, kModelUeff}, {MT_UGFF, kModelUgff}, {MT_UDLY, kModelUdly},
        {MT_UPLD, kModelUpld}, {MT_UROM, kModelUrom}, {MT_URAM, kModelUram}, {MT_UBGT, kModelUbgt},
        {MT_UIO, kModelUio}, {MT_LPNP, kModelLpnp},
    };
    for (const auto& p : pairs)
        EXPECT_EQ(p[0], p[1]);
    for (int t = 0; t < kComponentTypeCount; ++t)
        EXPECT_LT(ComponentTypeTable[t].modelType, ModelTypeCount) << t;
}

TEST(ComponentTypeTable, RowsAreSelfConsistent)
{
    for (int t = 0; t < kComponentTypeCount; ++t) {
        const ComponentTypeRow& r = ComponentTypeTable[t];
        SCOPED_TRACE("type " + std::to_string(t));
        EXPECT_TRUE(r.domain >= 0 && r.domain <= 2);
        EXPECT_TRUE(r.pinDomain >= 0 && r.pinDomain <= 2);
        EXPECT_GE(r.fixedPinCount, -1);
        EXPECT_EQ(r.reserved11, 0);
        EXPECT_EQ(r.reserved30 | r.reserved31, 0);
        // Attributes and their help ids go in pairs and end together.
        bool ended = false;
        for (int i = 0; i < 9; ++i) {
            if (r.defaultAttrs[i] == 0)
                ended = true;
            EXPECT_EQ(r.defaultAttrs[i] == 0, r.attrHelp[i] == 0) << i;
            if (ended) {
                EXPECT_EQ(r.defaultAttrs[i], 0) << i;
            }
            if (r.defaultAttrs[i]) {
                EXPECT_NE(AttributeIdName(r.defaultAttrs[i]), nullptr);
            }
            if (r.attrHelp[i]) {
                EXPECT_NE(FindResString(r.attrHelp[i]), nullptr) << r.attrHelp[i];
            }
        }
        // Arrayed gates name their scalar gate, which shares the netlist letter.
        if (r.pinSchemeFlags & PSF_ARRAYED_GATE) {
            ASSERT_TRUE(r.pinNameBase >= 58 && r.pinNameBase <= 85);
            EXPECT_EQ(ComponentTypeTable[r.pinNameBase].letter, r.letter);
            EXPECT_EQ(r.modelType, 0);
        }
        // Fixed pins of types named from the string table all have texts.
        if (r.pinNameBase >= 8420 && r.pinNameBase != PNB_USER && r.pinNameBase != PNB_ADC &&
            r.pinNameBase != PNB_DAC && r.fixedPinCount > 0) {
            ComponentDef d;
            d.type = t;
            for (int n = 0; n < r.fixedPinCount; ++n)
                EXPECT_FALSE(GetPinName(d, n).empty()) << n;
        }
        if (t < 113 || t > 114) {
            EXPECT_EQ(std::strlen(r.definitionName) == 0, t == 126);
        }
    }
}

TEST(ComponentTypeTable, NamesHelpContextsAndSpecialRows)
{
    EXPECT_STREQ(ComponentTypeTable[13].definitionName, "Pulse source");
    EXPECT_STREQ(ComponentTypeTable[125].definitionName, "DIGITAL LED");
    EXPECT_STREQ(ComponentTypeTable[136].definitionName, "S_PORT");
    EXPECT_STREQ(ComponentTypeTable[113].definitionName, "");
    EXPECT_STREQ(ComponentTypeTable[114].definitionName, "");

    const int helpCases[][2] = {{0, 0}, {14, 0}, {126, 0}, {2, 6002}, {36, 6006}, {38, 6007},
                                {77, 6058}, {78, 6078}, {95, 6094}, {97, 6096}, {99, 6098},
                                {112, 6101}, {134, 6131}, {135, 6132}, {136, 6133}, {100, 6100}};
    for (auto& c : helpCases)
        EXPECT_EQ(ComponentTypeTable[c[0]].helpContext, c[1]) << c[0];

    // NULL has nothing; the placeholder's type Blank has no pins and one TEXT attribute.
    EXPECT_EQ(ComponentTypeTable[CT_NULL].letter, ' ');
    EXPECT_EQ(ComponentTypeTable[CT_NULL].fixedPinCount, 0);
    EXPECT_EQ(ComponentTypeTable[CT_NULL].defaultAttrs[0], 0);
    EXPECT_EQ(ComponentTypeTable[CT_BLANK].fixedPinCount, 0);
    EXPECT_EQ(ComponentTypeTable[CT_BLANK].defaultAttrs[0], ATTR_TEXT);
    EXPECT_EQ(ComponentTypeTable[CT_BLANK].defaultAttrs[1], 0);
    EXPECT_EQ(ComponentTypeTable[38].modelType, MT_LPNP);
    EXPECT_EQ(ComponentTypeTable[43].letter, 'G');
    EXPECT_EQ(ComponentTypeTable[46].letter, 'H');
    EXPECT_EQ(ComponentTypeTable[52].attrHelp[0], 19019);
    EXPECT_EQ(ComponentTypeTable[53].attrHelp[0], 19020);
}

TEST(ComponentTypeTable, DerivedQuestions)
{
    EXPECT_EQ(ComponentTypeFromDefinitionName("pulse SOURCE"), CT_PULSE);
    EXPECT_EQ(ComponentTypeFromDefinitionName("Seven Segment"), CT_SEVEN_SEGMENT);
    EXPECT_EQ(ComponentTypeFromDefinitionName(""), -1);  // never the nameless types
    EXPECT_EQ(ComponentTypeFromDefinitionName("Pulse"), -1);
    EXPECT_EQ(TypeModelAttrId(CT_RESISTOR), ATTR_MODEL);
    EXPECT_EQ(TypeModelAttrId(CT_AND), ATTR_TIMING_MODEL);
    EXPECT_EQ(TypeModelAttrId(CT_BATTERY), 0);
    EXPECT_EQ(TypeAssignNameAttrId(CT_NPN), ATTR_MODEL);
    EXPECT_EQ(TypeAssignNameAttrId(CT_MACRO), ATTR_FILE);
    EXPECT_EQ(TypeAssignNameAttrId(CT_SUBCKT), ATTR_NAME);
    EXPECT_EQ(TypeAssignNameAttrId(CT_BATTERY), 0);
    EXPECT_FALSE(TypeCanShowPart(CT_GROUND));
    EXPECT_TRUE(TypeCanShowPart(CT_RESISTOR));
    EXPECT_FALSE(TypeCanShowFirstAttr(CT_SHORT));
    EXPECT_FALSE(TypeCanShowFirstAttr(CT_NULL));
    EXPECT_TRUE(TypeCanShowFirstAttr(31));  // LAPLACE
    EXPECT_TRUE(TypeHasDefaultAttr(CT_RESISTOR, ATTR_FREQ));
    EXPECT_FALSE(TypeHasDefaultAttr(CT_RESISTOR, ATTR_LAPLACE));
    EXPECT_FALSE(TypeHasModel(137));
    EXPECT_EQ(TypePrincipalAttrId(CT_RESISTOR), ATTR_VALUE);
    EXPECT_EQ(TypePrincipalAttrId(CT_BATTERY), ATTR_VALUE);
    EXPECT_EQ(TypePrincipalAttrId(CT_DFF), ATTR_TIMING_MODEL);
    EXPECT_EQ(TypePrincipalAttrId(CT_NPN), ATTR_MODEL);
    EXPECT_EQ(TypePrincipalAttrId(CT_MACRO), ATTR_FILE);
    EXPECT_EQ(TypePrincipalAttrId(CT_SUBCKT), ATTR_NAME);
}

TEST(ComponentTypeTable, PinCountsAndNamesFollowThePinScheme)
{
    struct Case { int type, data1, data2, count; };
    const Case cases[] = {
        {CT_ADC, 8, 0, 14}, {CT_ADC, 33, 0, -1}, {CT_DAC, 4, 0, 7}, {CT_DAC, 0, 0, -1},
        {CT_AND, 3, 0, 4}, {CT_AND, 0, 0, -1}, {CT_XOR, 0, 0, 3}, {CT_STIM, 0, 4, 4},
        {CT_STIM, 0, 33, -1}, {80, 2, 0, 4},  // AND3: two inputs, enable, output
        {101, 4, 2, 6}, {101, 0, 2, -1}, {CT_RESISTOR, 0, 0, 2}, {CT_BUF, 0, 0, 2},
    };
    for (const Case& c : cases) {
        ComponentDef d;
        d.type = c.type;
        d.data1 = static_cast<int16_t>(c.data1);
        d.data2 = static_cast<int16_t>(c.data2);
        EXPECT_EQ(GetPinCount(d), c.count) << c.type << " " << c.data1 << " " << c.data2;
    }

    ComponentDef gate;
    gate.type = CT_AND;
    gate.data1 = 3;
    SetPinCountFromType(gate, false);
    ASSERT_EQ(gate.PinCount(), 4);
    EXPECT_EQ(GetPinName(gate, 0), "In0");
    EXPECT_EQ(GetPinName(gate, 2), "In2");
    EXPECT_EQ(GetPinName(gate, 3), "Out");
    EXPECT_EQ(CountInputPins(gate), 3);

    ComponentDef tri;
    tri.type = 78;  // BUF3
    SetPinCountFromType(tri, false);
    ASSERT_EQ(tri.PinCount(), 3);
    EXPECT_EQ(GetPinName(tri, 0), "In");
    EXPECT_EQ(GetPinName(tri, 1), "Enable");
    EXPECT_EQ(GetPinName(tri, 2), "Out");
    EXPECT_EQ(CountInputPins(tri), 2);

    ComponentDef stim;
    stim.type = CT_STIM;
    stim.data2 = 4;
    SetPinCountFromType(stim, false);
    EXPECT_EQ(GetPinName(stim, 0), "Out3");
    EXPECT_EQ(GetPinName(stim, 3), "Out0");

    ComponentDef adc;
    adc.type = CT_ADC;
    adc.data1 = 1;
    SetPinCountFromType(adc, false);
    EXPECT_EQ(GetPinName(adc, 3), "Convert");
    EXPECT_EQ(GetPinName(adc, 6), "Out");

    ComponentDef opamp;
    opamp.type = CT_OPAMP;
    SetPinCountFromType(opamp, false);
    EXPECT_EQ(GetPinName(opamp, 4), "VCC");
    EXPECT_EQ(FindPinByName(opamp, "output"), 3);

    ComponentDef ground;
    ground.type = CT_GROUND;
    SetPinCountFromType(ground, false);
    EXPECT_EQ(GetPinName(ground, 0), "PinA");

    ComponentDef ff;
    ff.type = CT_JKFF;
    EXPECT_EQ(CountInputPins(ff), 5);
    ComponentDef ram;
    ram.type = CT_RAM;
    ram.data1 = 3;
    ram.data2 = 4;
    EXPECT_EQ(CountInputPins(ram), 13);
}

TEST(ComponentTypeTable, RepairTriesTheDataFields)
{
    ComponentDef d;
    d.type = CT_ADC;
    d.data1 = 40;
    EXPECT_EQ(SetPinCountFromType(d, false), 1);
    EXPECT_EQ(d.data1, 40);
    EXPECT_EQ(SetPinCountFromType(d, true), 1);
    EXPECT_EQ(d.data1, 1);
    EXPECT_EQ(d.data2, 0);
    EXPECT_EQ(d.PinCount(), 7);
}
