// The parameter tables of the model types, in the notation of the model reference:
// NAME=default ("NG" not given, 'c' a state character, "text" a text), {state} or
// {text} for the kind, [c] for the value check ([none]: a code that checks nothing).
// Flag lines give the flag byte of most rows, then "; other rows <flags>: NAMES" lists.
// The rows that share a table name it once; model_types.cpp maps rows to tables.

#include "netlist/model_type_data.h"

namespace ob7 {

const ModelParamTableSource ModelParamTableSources[] = {
    // rows 0 (OPA), 24 parameters
    {24,
        "LEVEL=1 [L], TYPE=1 [+], C=3e-11 [+], A=200000 [+], ROUTAC=75 [+], ROUTDC=125, "
        "VOFF=0.001, IOFF=1e-09, SRP=500000, SRN=500000, IBIAS=1e-07, VEE=-15, VCC=15, VPS=13, "
        "VNS=-13, CMRR=100000 [+], GBW=1000000, PM=60 [+], PD=0.025, IOSC=0.02, T_MEASURED=NG, "
        "T_ABS=NG, T_REL_GLOBAL=NG, T_REL_LOCAL=NG",
        "Flag byte 0x01 on every row."},
    // rows 1 (D), 31 parameters
    {31,
        "LEVEL=1, IS=1e-14 [+], N=1 [+], ISR, NR=2, IKF, BV [G], IBV=1e-10 [+], NBV=1, IBVL, "
        "NBVL=1, RS [G], TT [G], CJO [G], VJ=1 [+], M=0.5 [G], FC=0.5 [G], EG=1.11 [G], XTI=3, "
        "TIKF, TBV1, TBV2, TRS1, TRS2, KF [G], AF=1 [G], RL, T_MEASURED=NG, T_ABS=NG, "
        "T_REL_GLOBAL=NG, T_REL_LOCAL=NG",
        "Flag byte 0x05; other rows 0x01: LEVEL RL; 0x0F: IS N BV IBV RS TT CJO VJ M FC EG XTI KF AF."},
    // rows 2, 15, 38 (NPN, PNP, LPNP), 55 parameters
    {55,
        "IS=1e-16 [+], BF=100 [+], NF=1 [+], VAF [G], IKF [G], ISE [G], NE=1.5 [+], BR=1 [+], "
        "NR=1 [+], VAR [G], IKR [G], ISC [G], NC=2 [+], NK=0.5 [+], ISS [none], NS=1 [+], RE [G], "
        "RB [G], RBM [G], IRB [G], RC [G], CJE [G], VJE=0.75 [+], MJE=0.33 [G], CJC [G], VJC=0.75 "
        "[+], MJC=0.33 [G], XCJC=1 [1], CJS [G], VJS=0.75 [G], MJS [G], FC=0.5 [G], TF [G], XTF, "
        "VTF [G], ITF [G], PTF, TR [G], EG=1.11 [G], XTB, XTI=3, TRE1, TRE2, TRB1, TRB2, TRM1, "
        "TRM2, TRC1, TRC2, KF [G], AF=1 [G], T_MEASURED=NG, T_ABS=NG, T_REL_GLOBAL=NG, "
        "T_REL_LOCAL=NG",
        "Flag byte 0x0F; other rows 0x05: NK ISS NS TRE1 TRE2 TRB1 TRB2 TRM1 TRM2 TRC1 TRC2 T_MEASURED T_ABS T_REL_GLOBAL T_REL_LOCAL; 0x2F: VAF IKF VAR IKR RE RC."},
    // rows 3, 16 (NMOS, PMOS), 58 parameters
    {58,
        "LEVEL=NG, VTO=NG, KP=NG [+], L [G], W [G], GAMMA=NG [G], PHI=NG [+], LAMBDA [G], RD [G], "
        "RS [G], CBD [G], CBS [G], IS=1e-14 [G], PB=0.8 [G], CGSO [G], CGDO [G], CGBO [G], RSH "
        "[G], CJ [G], MJ=0.5 [G], CJSW [G], MJSW=0.33 [G], JS=1e-08 [G], TOX=NG [G], NSUB=NG [G], "
        "NSS=NG [G], NFS [G], TPG=NG, XJ [G], LD, WD, UO=NG [G], UCRIT=10000 [G], UEXP [G], UTRA "
        "[G], VMAX [G], NEFF=1 [G], XQC=1 [G], KF [G], AF=1 [G], FC=0.5 [G], DELTA [G], THETA "
        "[G], ETA [G], KAPPA=NG [G], RG [G], RB [G], RDS [G], JSSW [G], N=1 [G], PBSW=0.8 [G], TT "
        "[G], NLEV=NG [3], GDSNOI=1 [G], T_MEASURED=NG, T_ABS=NG, T_REL_GLOBAL=NG, T_REL_LOCAL=NG",
        "Flag byte 0x0F; other rows 0x05: L W WD JSSW N PBSW TT NLEV GDSNOI T_MEASURED T_ABS T_REL_GLOBAL T_REL_LOCAL; 0x25: RG RB RDS; 0x2F: RD RS RSH."},
    // rows 4, 17 (NJF, PJF), 20 parameters
    {20,
        "VTO=-2, BETA=0.0001 [+], LAMBDA [G], IS=1e-14 [+], RD [G], RS [G], CGD [G], CGS [G], "
        "M=0.5, PB=1 [+], FC=0.5 [G], VTOTC, BETATCE, XTI=3, KF [G], AF=1 [G], T_MEASURED=NG, "
        "T_ABS=NG, T_REL_GLOBAL=NG, T_REL_LOCAL=NG",
        "Flag byte 0x0F; other rows 0x05: M VTOTC BETATCE XTI T_MEASURED T_ABS T_REL_GLOBAL T_REL_LOCAL; 0x2F: RD RS."},
    // rows 5 (PUL), 7 parameters
    {7,
        "VZERO, VONE=5, P1=1e-07 [G], P2=1.1e-07, P3=5e-07 [G], P4=5.1e-07, P5=1e-06 [G]",
        "Flag byte 0x01 on every row."},
    // rows 6 (SIN), 7 parameters
    {7,
        "F=1000000 [G], A=1 [G], DC, PH, RS=0.001 [G], RP [G], TAU",
        "Flag byte 0x01 on every row."},
    // rows 7 (TRN), 9 parameters
    {9,
        "ZO=NG, TD=NG, F=NG, NL=0.25, R=NG, L=NG, G=NG, C=NG, LEN=NG",
        "Flag byte 0x05 on every row."},
    // rows 8 (CORE), 8 parameters
    {8,
        "AREA=1, PATH=1, GAP, MS=400000, A=25, C=0.001, K=25, ALPHA=0.001",
        "Flag byte 0x05 on every row."},
    // rows 9 (GASFET), 36 parameters
    {36,
        "LEVEL=1 [L], VTO=-2.5, ALPHA=2 [+], BETA=0.1 [+], B=0.3 [+], LAMBDA [G], GAMMA, DELTA, "
        "Q=2, TAU, RG [G], RD [G], RS [G], IS=1e-14 [+], N=1, M=0.5 [+], VBI=1 [+], CGD [G], CGS "
        "[G], CDS [G], FC=0.5 [+], VDELTA=0.2, VMAX=0.5, EG=1.11 [G], XTI, VTOTC, BETATCE, TRG1, "
        "TRD1, TRS1, KF [G], AF=1 [G], T_MEASURED=NG, T_ABS=NG, T_REL_GLOBAL=NG, T_REL_LOCAL=NG",
        "Flag byte 0x05; other rows 0x25: RG RD RS."},
    // rows 10 (VSWITCH), 4 parameters
    {4,
        "RON=1, ROFF=1000000, VON=1, VOFF",
        "Flag byte 0x05 on every row."},
    // rows 11 (ISWITCH), 4 parameters
    {4,
        "RON=1, ROFF=1000000, ION=0.001, IOFF",
        "Flag byte 0x05 on every row."},
    // rows 12 (CAP), 9 parameters
    {9,
        "C=1, VC1, VC2, TC1, TC2, T_MEASURED=NG, T_ABS=NG, T_REL_GLOBAL=NG, T_REL_LOCAL=NG",
        "Flag byte 0x05 on every row."},
    // rows 13 (IND), 9 parameters
    {9,
        "L=1, IL1, IL2, TC1, TC2, T_MEASURED=NG, T_ABS=NG, T_REL_GLOBAL=NG, T_REL_LOCAL=NG",
        "Flag byte 0x05 on every row."},
    // rows 14 (RES), 9 parameters
    {9,
        "R=1, TC1, TC2, TCE, NM=1, T_MEASURED=NG, T_ABS=NG, T_REL_GLOBAL=NG, T_REL_LOCAL=NG",
        "Flag byte 0x0F on every row."},
    // rows 18 (DOUTPUT), 64 parameters
    {64,
        "RLOAD, CLOAD, TIMESCALE=1, S0NAME='0' {state} [D], S0VLO, S0VHI=0.8, S1NAME='1' {state} "
        "[D], S1VLO=0.8, S1VHI=10, S2NAME {state} [D], S2VLO, S2VHI, S3NAME {state} [D], S3VLO, "
        "S3VHI, S4NAME {state} [D], S4VLO, S4VHI, S5NAME {state} [D], S5VLO, S5VHI, S6NAME "
        "{state} [D], S6VLO, S6VHI, S7NAME {state} [D], S7VLO, S7VHI, S8NAME {state} [D], S8VLO, "
        "S8VHI, S9NAME {state} [D], S9VLO, S9VHI, S10NAME {state} [D], S10VLO, S10VHI, S11NAME "
        "{state} [D], S11VLO, S11VHI, S12NAME {state} [D], S12VLO, S12VHI, S13NAME {state} [D], "
        "S13VLO, S13VHI, S14NAME {state} [D], S14VLO, S14VHI, S15NAME {state} [D], S15VLO, "
        "S15VHI, S16NAME {state} [D], S16VLO, S16VHI, S17NAME {state} [D], S17VLO, S17VHI, "
        "S18NAME {state} [D], S18VLO, S18VHI, S19NAME {state} [D], S19VLO, S19VHI, SXNAME {state} "
        "[D]",
        "Flag byte 0x05 on every row."},
    // rows 19 (DINPUT), 82 parameters
    {82,
        "CLO, CHI, S0NAME='0' {state} [D], S0TSW=3.5e-09, S0RLO=7.13, S0RHI=389, S1NAME='1' "
        "{state} [D], S1TSW=5.5e-09, S1RLO=467, S1RHI=200, S2NAME {state} [D], S2TSW, S2RLO, "
        "S2RHI, S3NAME {state} [D], S3TSW, S3RLO, S3RHI, S4NAME {state} [D], S4TSW, S4RLO, S4RHI, "
        "S5NAME {state} [D], S5TSW, S5RLO, S5RHI, S6NAME {state} [D], S6TSW, S6RLO, S6RHI, S7NAME "
        "{state} [D], S7TSW, S7RLO, S7RHI, S8NAME {state} [D], S8TSW, S8RLO, S8RHI, S9NAME "
        "{state} [D], S9TSW, S9RLO, S9RHI, S10NAME {state} [D], S10TSW, S10RLO, S10RHI, S11NAME "
        "{state} [D], S11TSW, S11RLO, S11RHI, S12NAME {state} [D], S12TSW, S12RLO, S12RHI, "
        "S13NAME {state} [D], S13TSW, S13RLO, S13RHI, S14NAME {state} [D], S14TSW, S14RLO, "
        "S14RHI, S15NAME {state} [D], S15TSW, S15RLO, S15RHI, S16NAME {state} [D], S16TSW, "
        "S16RLO, S16RHI, S17NAME {state} [D], S17TSW, S17RLO, S17RHI, S18NAME {state} [D], "
        "S18TSW, S18RLO, S18RHI, S19NAME {state} [D], S19TSW, S19RLO, S19RHI",
        "Flag byte 0x05 on every row."},
    // rows 20 (UADC), 9 parameters
    {9,
        "TPCSMN=1e-08, TPCSTY=1e-08, TPCSMX=1e-08, TPSDMN=1e-08, TPSDTY=1e-08, TPSDMX=1e-08, "
        "TPDSMN=1e-08, TPDSTY=1e-08, TPDSMX=1e-08",
        "Flag byte 0x05 on every row."},
    // rows 21 (UDAC), 3 parameters
    {3,
        "TSWMN=1e-08, TSWTY=1e-08, TSWMX=1e-08",
        "Flag byte 0x05 on every row."},
    // rows 22 (UGATE), 6 parameters
    {6,
        "TPLHMN, TPLHTY, TPLHMX, TPHLMN, TPHLTY, TPHLMX",
        "Flag byte 0x05 on every row."},
    // rows 23 (UTGATE), 18 parameters
    {18,
        "TPLHMN, TPLHTY, TPLHMX, TPHLMN, TPHLTY, TPHLMX, TPLZMN, TPLZTY, TPLZMX, TPHZMN, TPHZTY, "
        "TPHZMX, TPZLMN, TPZLTY, TPZLMX, TPZHMN, TPZHTY, TPZHMX",
        "Flag byte 0x05 on every row."},
    // rows 24 (UEFF), 30 parameters
    {30,
        "TPPCQLHMN, TPPCQLHTY, TPPCQLHMX, TPPCQHLMN, TPPCQHLTY, TPPCQHLMX, TWPCLMN, TWPCLTY, "
        "TWPCLMX, TPCLKQLHMN, TPCLKQLHTY, TPCLKQLHMX, TPCLKQHLMN, TPCLKQHLTY, TPCLKQHLMX, "
        "TWCLKLMN, TWCLKLTY, TWCLKLMX, TWCLKHMN, TWCLKHTY, TWCLKHMX, TSUDCLKMN, TSUDCLKTY, "
        "TSUDCLKMX, TSUPCCLKHMN, TSUPCCLKHTY, TSUPCCLKHMX, THDCLKMN, THDCLKTY, THDCLKMX",
        "Flag byte 0x05 on every row."},
    // rows 25 (UGFF), 33 parameters
    {33,
        "TPPCQLHMN, TPPCQLHTY, TPPCQLHMX, TPPCQHLMN, TPPCQHLTY, TPPCQHLMX, TWPCLMN, TWPCLTY, "
        "TWPCLMX, TPGQLHMN, TPGQLHTY, TPGQLHMX, TPGQHLMN, TPGQHLTY, TPGQHLMX, TPDQLHMN, TPDQLHTY, "
        "TPDQLHMX, TPDQHLMN, TPDQHLTY, TPDQHLMX, TWGHMN, TWGHTY, TWGHMX, TSUDGMN, TSUDGTY, "
        "TSUDGMX, TSUPCGHMN, TSUPCGHTY, TSUPCGHMX, THDGMN, THDGTY, THDGMX",
        "Flag byte 0x05 on every row."},
    // rows 26 (UDLY), 3 parameters
    {3,
        "DLYMN, DLYTY, DLYMX",
        "Flag byte 0x05 on every row."},
    // rows 27 (UPLD), 10 parameters
    {10,
        "TPLHMN=-1, TPLHTY=-1, TPLHMX=-1, TPHLMN=-1, TPHLTY=-1, TPHLMX=-1, OFFSET [G], "
        "COMPOFFSET=1 [G], INSCALE [G], OUTSCALE [G]",
        "Flag byte 0x05 on every row."},
    // rows 28 (UROM), 18 parameters
    {18,
        "TPADHMN, TPADHTY, TPADHMX, TPADLMN, TPADLTY, TPADLMX, TPEDHMN, TPEDHTY, TPEDHMX, "
        "TPEDLMN, TPEDLTY, TPEDLMX, TPEDHZMN, TPEDHZTY, TPEDHZMX, TPEDLZMN, TPEDLZTY, TPEDLZMX",
        "Flag byte 0x05 on every row."},
    // rows 29 (URAM), 36 parameters
    {36,
        "TPADHMN, TPADHTY, TPADHMX, TPADLMN, TPADLTY, TPADLMX, TPEDHMN, TPEDHTY, TPEDHMX, "
        "TPEDLMN, TPEDLTY, TPEDLMX, TPEDHZMN, TPEDHZTY, TPEDHZMX, TPEDLZMN, TPEDLZTY, TPEDLZMX, "
        "TSUDEWMN, TSUDEWTY, TSUDEWMX, TSUAEWMN, TSUAEWTY, TSUAEWMX, TWEWHMN, TWEWHTY, TWEWHMX, "
        "TWEWLMN, TWEWLTY, TWEWLMX, THDEWMN, THDEWTY, THDEWMX, THAEWMN, THAEWTY, THAEWMX",
        "Flag byte 0x05 on every row."},
    // rows 31 (UIO), 21 parameters
    {21,
        "INLD, OUTLD, DRVH=50, DRVL=50, ATOD1=\"AtoDDefault\" {text}, DTOA1=\"DtoADefault\" {text}, "
        "ATOD2=\"AtoDDefault\" {text}, DTOA2=\"DtoADefault\" {text}, ATOD3=\"AtoDDefault\" {text}, "
        "DTOA3=\"DtoADefault\" {text}, ATOD4=\"AtoDDefault\" {text}, DTOA4=\"DtoADefault\" {text}, "
        "TSWLH1, TSWLH2, TSWLH3, TSWLH4, TSWHL1, TSWHL2, TSWHL3, TSWHL4, DIGPOWER=\"DIGIFPWR\" "
        "{text}",
        "Flag byte 0x05 on every row."},
    // rows 32, 33 (NMOS, PMOS), 98 parameters
    {98,
        "LEVEL=4, L=5e-06 [G], W=5e-06 [G], RD [G], RS [G], RG [G], RB [G], RDS [G], RSH [G], "
        "IS=1e-14 [G], JS=1e-08 [G], JSSW [G], N=1 [G], PB=0.8 [G], PBSW=0.8 [G], CBD [G], CBS "
        "[G], CJ [G], CJSW [G], MJ=0.5 [G], MJSW=0.33 [G], FC=0.5 [G], TT [G], CGSO [G], CGDO "
        "[G], CGBO [G], KF [G], AF=1 [G], T_MEASURED=NG, T_ABS=NG, T_REL_GLOBAL=NG, "
        "T_REL_LOCAL=NG, DL, DW, TOX [+], VFB, VFBL, VFBW, PHI=NG [+], PHIL, PHIW, K1 [+], K1L, "
        "K1W, K2, K2L, K2W, ETA, LETA, WETA, X2E, LX2E, WX2E, X3E, LX3E, WX3E, MUZ [+], X2MZ, "
        "LX2MZ, WX2MZ, MUS [+], LMUS, WMUS, X2MS, LX2MS, WX2MS, X3MS, LX3MS, WX3MS, U0 [+], LU0, "
        "WU0, X2U0, LX2U0, WX2U0, U1, LU1, WU1, X2U1, LX2U1, WX2U1, X3U1, LX3U1, WX3U1, N0, LN0, "
        "WN0, NB, LNB, WNB, ND, LND, WND, VDD [+], XPART, DELL, NLEV=NG [3], GDSNOI=1 [G]",
        "Flag byte 0x05; other rows 0x0F: IS JS PB CBD CBS CJ CJSW MJ MJSW FC CGSO CGDO CGBO KF AF; 0x1F: LEVEL; 0x25: RG RB RDS; 0x2F: RD RS RSH."},
    // rows 34, 35 (NMOS, PMOS), 154 parameters
    {154,
        "LEVEL=5, L [G], W [G], RD [G], RS [G], RG [G], RB [G], RDS [G], RSH [G], IS=1e-14 [G], "
        "JS=1e-08 [G], JSSW [G], N=1 [G], PB=0.8 [G], PBSW=0.8 [G], CBD [G], CBS [G], CJ [G], "
        "CJSW [G], MJ=0.5 [G], MJSW=0.33 [G], FC=0.5 [G], TT [G], CGSO [G], CGDO [G], CGBO [G], "
        "KF [G], AF=1 [G], T_MEASURED=NG, T_ABS=NG, T_REL_GLOBAL=NG, T_REL_LOCAL=NG, DL, DW, "
        "TOX=0.03, VFB=-1, VFBL, VFBW, PHI=0.75 [+], PHIL, PHIW, K1=0.8, K1L, K1W, K2, K2L, K2W, "
        "ETA0, LETA, WETA, ETAB, LETAB, WETAB, MU0=400, MU0B, LMU0B, WMU0B, MUS0=500, LMUS0, "
        "WMUS0, MUSB, LMUSB, WMUSB, MU20=1.5, LMU20, WMU20, MU2B, LMU2B, WMU2B, MU2G, LMU2G, "
        "WMU2G, MU30=10, LMU30, WMU30, MU3B, LMU3B, WMU3B, MU3G, LMU3G, WMU3G, MU40, LMU40, "
        "WMU40, MU4B, LMU4B, WMU4B, MU4G, LMU4G, WMU4G, UA0=0.2, LUA0, WUA0, UAB, LUAB, WUAB, "
        "UB0, LUB0, WUB0, UBB, LUBB, WUBB, U10=0.1, LU10, WU10, U1B, LU1B, WU1B, U1D, LU1D, WU1D, "
        "N0=1.4, LN0, WN0, NB=0.5, LNB, WNB, ND, LND, WND, VOF0=1.8, LVOF0, WVOF0, VOFB, LVOFB, "
        "WVOFB, VOFD, LVOFD, WVOFD, AI0, LAI0, WAI0, AIB, LAIB, WAIB, BI0, LBI0, WBI0, BIB, LBIB, "
        "WBIB, VGHIGH=0.2, LVGHIGH, WVGHIGH, VGLOW=-0.15, LVGLOW, WVGLOW, VDD=5, VGG=5, VBB=5, "
        "XPART, DELL, NLEV=NG [3], GDSNOI=1 [G]",
        "Flag byte 0x05; other rows 0x0F: IS JS PB CBD CBS CJ CJSW MJ MJSW FC CGSO CGDO CGBO KF AF; 0x1F: LEVEL; 0x25: RG RB RDS; 0x2F: RD RS RSH."},
    // rows 36 (NMOS), 424 parameters
    {424,
        "LEVEL=8, L [G], W [G], RD [G], RS [G], RG [G], RB [G], RDS [G], RSH [G], IS=1e-14 [G], "
        "JS=0.0001 [G], JSSW [G], N=1 [G], NJ=1 [G], XTI=3 [G], PB=1 [G], TPB, PBSW=1 [G], TPBSW, "
        "PBSWG=NG [G], TPBSWG, CBD [G], CBS [G], CJ=0.0005 [G], TCJ, CJSW=5e-10 [G], TCJSW, "
        "CJSWG=NG [G], TCJSWG, MJ=0.5 [G], MJSW=0.33 [G], MJSWG=NG [G], FC=0.5 [G], TT [G], "
        "CGSO=NG [G], CGDO=NG [G], CGBO=NG [G], KF [G], AF=1 [G], T_MEASURED=NG, T_ABS=NG, "
        "T_REL_GLOBAL=NG, T_REL_LOCAL=NG, LMIN, LMAX=1, WMIN, WMAX=1, BINUNIT=1, MOBMOD=1, "
        "CAPMOD=3, NQSMOD, NOIMOD=1, PARAMCHK [G], VERSION=NG [G], VTH0=NG, LVTH0, WVTH0, PVTH0, "
        "K1=NG, LK1, WK1, PK1, K2=NG, LK2, WK2, PK2, K3=80, LK3, WK3, PK3, K3B, LK3B, WK3B, PK3B, "
        "W0=2.5e-06, LW0, WW0, PW0, NLX=1.74e-07, LNLX, WNLX, PNLX, DVT0=2.2, LDVT0, WDVT0, "
        "PDVT0, DVT1=0.53, LDVT1, WDVT1, PDVT1, DVT2=-0.032, LDVT2, WDVT2, PDVT2, DVT0W, LDVT0W, "
        "WDVT0W, PDVT0W, DVT1W=5300000, LDVT1W, WDVT1W, PDVT1W, DVT2W=-0.032, LDVT2W, WDVT2W, "
        "PDVT2W, U0=NG, LU0, WU0, PU0, UA=2.25e-09, LUA, WUA, PUA, UB=5.87e-19, LUB, WUB, PUB, "
        "UC=NG, LUC, WUC, PUC, VSAT=80000, LVSAT, WVSAT, PVSAT, A0=1, LA0, WA0, PA0, AGS, LAGS, "
        "WAGS, PAGS, B0, LB0, WB0, PB0, B1, LB1, WB1, PB1, KETA=-0.047, LKETA, WKETA, PKETA, A1, "
        "LA1, WA1, PA1, A2=1, LA2, WA2, PA2, RDSW, LRDSW, WRDSW, PRDSW, PRWB, LPRWB, WPRWB, "
        "PPRWB, PRWG, LPRWG, WPRWG, PPRWG, WR=1, LWR, WWR, PWR, WINT, LINT, DWG, LDWG, WDWG, "
        "PDWG, DWB, LDWB, WDWB, PDWB, VOFF=-0.08, LVOFF, WVOFF, PVOFF, NFACTOR=1, LNFACTOR, "
        "WNFACTOR, PNFACTOR, ETA0=0.08, LETA0, WETA0, PETA0, ETAB=-0.07, LETAB, WETAB, PETAB, "
        "DSUB=NG, LDSUB, WDSUB, PDSUB, CIT, LCIT, WCIT, PCIT, CDSC=0.00024, LCDSC, WCDSC, PCDSC, "
        "CDSCB, LCDSCB, WCDSCB, PCDSCB, CDSCD, LCDSCD, WCDSCD, PCDSCD, PCLM=1.3, LPCLM, WPCLM, "
        "PPCLM, PDIBLC1=0.39, LPDIBLC1, WPDIBLC1, PPDIBLC1, PDIBLC2=0.0086, LPDIBLC2, WPDIBLC2, "
        "PPDIBLC2, PDIBLCB, LPDIBLCB, WPDIBLCB, PPDIBLCB, DROUT=0.56, LDROUT, WDROUT, PDROUT, "
        "PSCBE1=424000000, LPSCBE1, WPSCBE1, PPSCBE1, PSCBE2=1e-05, LPSCBE2, WPSCBE2, PPSCBE2, "
        "PVAG, LPVAG, WPVAG, PPVAG, DELTA=0.01, LDELTA, WDELTA, PDELTA, NGATE=NG, LNGATE, WNGATE, "
        "PNGATE, ALPHA0, LALPHA0, WALPHA0, PALPHA0, ALPHA1, LALPHA1, WALPHA1, PALPHA1, IJTH=0.1, "
        "BETA0=30, LBETA0, WBETA0, PBETA0, XPART, CGSL, LCGSL, WCGSL, PCGSL, CGDL, LCGDL, WCGDL, "
        "PCGDL, CKAPPA=0.6, LCKAPPA, WCKAPPA, PCKAPPA, CF=NG, LCF, WCF, PCF, CLC=1e-07, LCLC, "
        "WCLC, PCLC, CLE=0.6, LCLE, WCLE, PCLE, DLC=NG, LDLC, WDLC, PDLC, DWC=NG, LDWC, WDWC, "
        "PDWC, WLC=NG, WWC=NG, WWLC=NG, LLC=NG, LWC=NG, LWLC=NG, VFBCV=-1, LVFBCV, WVFBCV, "
        "PVFBCV, NOFF=1, LNOFF, WNOFF, PNOFF, MOIN=15, LMOIN, WMOIN, PMOIN, VOFFCV, LVOFFCV, "
        "WVOFFCV, PVOFFCV, ACDE=1, LACDE, WACDE, PACDE, ELM=5, LELM, WELM, PELM, WL, WLN=1, WW, "
        "WWN=1, WWL, LL, LLN=1, LW, LWN=1, LWL, TNOM=27, UTE=-1.5, LUTE, WUTE, PUTE, KT1=-0.11, "
        "LKT1, WKT1, PKT1, KT1L, LKT1L, WKT1L, PKT1L, KT2=0.022, LKT2, WKT2, PKT2, UA1=4.31e-09, "
        "LUA1, WUA1, PUA1, UB1=-7.61e-18, LUB1, WUB1, PUB1, UC1=NG, LUC1, WUC1, PUC1, AT=33000, "
        "LAT, WAT, PAT, PRT, LPRT, WPRT, PPRT, NOIA=1e+20, NOIB=50000, NOIC=-1.4e-12, "
        "EM=41000000, EF=1, TOX=1.5e-08, TOXM=NG, XJ=1.5e-07, LXJ, WXJ, PXJ, GAMMA1=NG, LGAMMA1, "
        "WGAMMA1, PGAMMA1, GAMMA2=NG, LGAMMA2, WGAMMA2, PGAMMA2, NCH=NG, LNCH, WNCH, PNCH, "
        "NSUB=NG, LNSUB, WNSUB, PNSUB, VBX=NG, LVBX, WVBX, PVBX, VBM=NG, LVBM, WVBM, PVBM, XT=NG, "
        "LXT, WXT, PXT, NLEV=NG [3], GDSNOI=1 [G], VFB=NG, LVFB, PVFB, WVFB",
        "Flag byte 0x05; other rows 0x09: NJ XTI PBSWG CJSWG MJSWG PARAMCHK VERSION VFBCV LVFBCV WVFBCV PVFBCV; 0x0F: IS JS PB CBD CBS CJ CJSW MJ MJSW FC CGSO CGDO CGBO KF AF; 0x1F: LEVEL; 0x25: RG RB RDS; 0x2F: RD RS RSH."},
};
const int ModelParamTableSourceCount = sizeof(ModelParamTableSources) / sizeof(ModelParamTableSources[0]);

}  // namespace ob7
