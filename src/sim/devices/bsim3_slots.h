#pragma once
// Slots of the BSIM3 model values by name, resolved once from the parameter table (the
// NMOS and PMOS tables share their order). A grouped parameter's slot holds X; the next
// three hold its length, width and product terms.

namespace ob7 {

#define OB7_BSIM3_SLOTS(X)                                                                                          \
    X(RDS) X(IS) X(JS) X(JSSW) X(N) X(XTI) X(PB) X(TPB) X(PBSW) X(TPBSW) X(PBSWG) X(TPBSWG) X(CBD) X(CBS) X(CJ)     \
    X(TCJ) X(CJSW) X(TCJSW) X(CJSWG) X(TCJSWG) X(MJ) X(MJSW) X(MJSWG) X(TT) X(CGSO) X(CGDO) X(CGBO) X(T_MEASURED)   \
    X(BINUNIT) X(MOBMOD) X(CAPMOD) X(NQSMOD) X(PARAMCHK) X(VERSION) X(VTH0) X(K1) X(K2) X(K3) X(K3B) X(W0) X(NLX)   \
    X(DVT0) X(DVT1) X(DVT2) X(DVT0W) X(DVT1W) X(DVT2W) X(U0) X(UA) X(UB) X(UC) X(VSAT) X(A0) X(AGS) X(B0) X(B1)     \
    X(KETA) X(A1) X(A2) X(RDSW) X(PRWB) X(PRWG) X(WR) X(WINT) X(LINT) X(DWG) X(DWB) X(VOFF) X(NFACTOR) X(ETA0)      \
    X(ETAB) X(DSUB) X(CIT) X(CDSC) X(CDSCB) X(CDSCD) X(PCLM) X(PDIBLC1) X(PDIBLC2) X(PDIBLCB) X(DROUT) X(PSCBE1)    \
    X(PSCBE2) X(PVAG) X(DELTA) X(NGATE) X(ALPHA0) X(ALPHA1) X(IJTH) X(BETA0) X(XPART) X(CGSL) X(CGDL) X(CKAPPA)    \
    X(CF) X(CLC) X(CLE) X(DLC) X(DWC) X(WLC) X(WWC) X(WWLC) X(LLC) X(LWC) X(LWLC) X(VFBCV) X(NOFF) X(MOIN)         \
    X(VOFFCV) X(ACDE) X(ELM) X(WL) X(WLN) X(WW) X(WWN) X(WWL) X(LL) X(LLN) X(LW) X(LWN) X(LWL) X(UTE) X(KT1)       \
    X(KT1L) X(KT2) X(UA1) X(UB1) X(UC1) X(AT) X(PRT) X(TOX) X(TOXM) X(XJ) X(GAMMA1) X(GAMMA2) X(NCH) X(NSUB) X(VBX) \
    X(VBM) X(XT) X(VFB) X(NOIMOD) X(KF) X(AF) X(EF) X(EM) X(NOIA) X(NOIB) X(NOIC)

struct Bsim3Slots {
#define OB7_BSIM3_SLOT_FIELD(name) int name = 0;
    OB7_BSIM3_SLOTS(OB7_BSIM3_SLOT_FIELD)
#undef OB7_BSIM3_SLOT_FIELD
};

const Bsim3Slots& Bsim3Slot();

}  // namespace ob7
