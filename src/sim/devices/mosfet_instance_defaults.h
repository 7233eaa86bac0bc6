#pragma once
// Instance defaults of the MOSFET levels 4, 5 and 8, run at the end of the model pass.

namespace ob7 {

// BSIM3 derived slots after the 424 parameters: the type (+1 NMOS, -1 PMOS, set by the
// builder) and the oxide capacitance per area.
inline constexpr int kBsim3TypeSlot = 424;
inline constexpr int kBsim3CoxSlot = 427;

// Records of the level (4 or 5): W and L from the instance, the model or the options;
// AD and AS from the options when zero; NRD and NRS of 0 become 1; once per model, IS
// and JS floors and RDS, RG, RD, RS, RB and RSH as conductances.
void PrepareLevel4Instances(int level = 4);
void PrepareLevel5Instances();
// Level 8: the same geometry (5 um where neither instance nor model gives W or L), and
// the BSIM3 model defaults that depend on other model values.
void PrepareLevel8Instances();
void RegisterMosfetInstanceDefaults();

}  // namespace ob7
