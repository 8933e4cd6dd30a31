#!/usr/bin/env python3
"""Writes the GEX fixtures of this folder: files laid out the way other programs write GEX
(tabs after "=" and between numbers, "%e" numbers, blank lines, header comments, LF or CR LF line
ends, a byte order mark, keys in other letter cases, one-, two- or three-digit key numbers, sections
in any order, keys we do not know). Run it from this folder; the files are committed."""

import math


def gates(n, first_open, ratio, width0):
    """n gates as (centre, open, close): widths growing geometrically from width0."""
    out = []
    t = first_open
    w = width0
    for _ in range(n):
        a, b = t, t + w
        out.append(((a + b) / 2, a, b))
        t = b
        w *= ratio
    return out


def tabbed(key, values, fmt="{:e}"):
    return key + "=\t " + "\t".join(fmt.format(v) for v in values)


def write(name, lines, eol="\n", bom=False):
    data = eol.join(lines) + eol
    with open(name, "wb") as f:
        if bom:
            f.write(b"\xef\xbb\xbf")
        f.write(data.encode("latin-1"))


LOOP8 = [(-12.64, -2.10), (-6.14, -8.58), (6.14, -8.58), (11.41, -3.31),
         (11.41, 3.31), (6.14, 8.58), (-6.14, 8.58), (-12.64, 2.10)]
LM_GATES = gates(28, 2.0e-06, 1.18, 1.0e-06)
HM_GATES = gates(37, 5.0e-06, 1.16, 2.0e-06)
LM_WAVE = [(-3.181e-03, 0.0), (-3.1786e-03, 0.6), (-3.1676e-03, 0.85), (-2.5e-03, 0.99),
           (-8.0e-04, 1.0), (0.0, 1.0), (4.4e-07, 0.64), (1.3e-06, 0.0)]
HM_WAVE = [(-1.0e-02, 0.0), (-9.96e-03, 0.45), (-9.5e-03, 0.92), (-6.0e-03, 0.99),
           (0.0, 1.0), (2.2e-06, 0.56), (5.8e-06, 0.18), (1.03e-05, 0.0)]


def workbench_dual():
    """Dual moment, no sections of ours: two-digit gate and waveform numbers, one-digit loop
    points, tabs, lower-case exponents, LF, blank lines, "FrontGateTime"."""
    L = ["/2026-03-02 gex file written by a processing toolbox", "", "[General]", "",
         "Description=Towed test system, dual moment", "",
         tabbed("GPSDifferentialPosition1", [11.91, 2.79, -0.16], "{:.2f}"),
         tabbed("GPSPosition1", [11.91, 2.79, -0.16], "{:.2f}"),
         tabbed("GPSPosition2", [10.41, 3.95, -0.16], "{:.2f}"),
         tabbed("AltimeterPosition1", [12.94, 1.79, -0.12], "{:.2f}"),
         tabbed("InclinometerPosition1", [12.79, 1.64, -0.12], "{:.2f}"), "",
         tabbed("RxCoilPosition1", [-13.25, 0.00, -2.00], "{:.2f}"),
         tabbed("RxCoilLPFilter1", [0.99, 210000.00], "{:.2f}"), "",
         "LoopType=72", "FrontGateDelay=2.5e-06", "TxLoopArea=342", ""]
    for i, (x, y) in enumerate(LOOP8, 1):
        L.append(tabbed("TxLoopPoint%d" % i, [x, y], "{:.2f}"))
    L += ["", "NumberOfTurnsLM=1", "NumberOfTurnsHM=4", ""]
    for i, p in enumerate(LM_WAVE, 1):
        L.append(tabbed("WaveformLMPoint%02d" % i, p))
    L.append("")
    for i, p in enumerate(HM_WAVE, 1):
        L.append(tabbed("WaveformHMPoint%02d" % i, p))
    L.append("")
    for i, g in enumerate(LM_GATES, 1):
        L.append(tabbed("GateTimeLM%02d" % i, g))
    L.append("")
    for i, g in enumerate(HM_GATES, 1):
        L.append(tabbed("GateTimeHM%02d" % i, g))
    L += ["", "[Channel1]", "RxCoilNumber=1", "GateTimeShift=-1.8e-06", "GateFactor=0.96",
          "SystemResponseConvolution=0", "RepFreq=210", "FrontGateTime=-1",
          tabbed("TiBLowPassFilter", [1.00, 300000.00], "{:.2f}"), "TransmitterMoment=LM",
          "TxApproximateCurrent=9", "ReceiverPolarizationXYZ=Z", "UniformDataSTD=0.03",
          "MeaTimeDelay=0", "NoGates=28", "RemoveInitialGates=6", "PrimaryFieldDampingFactor=0.0",
          "", "[Channel2]", "RxCoilNumber=1", "GateTimeShift=-1.4e-06", "GateFactor=0.98",
          "SystemResponseConvolution=0", "RepFreq=25", "FrontGateTime=7e-05",
          tabbed("TiBLowPassFilter", [1.00, 300000.00], "{:.2f}"), "TransmitterMoment=HM",
          "TxApproximateCurrent=113", "ReceiverPolarizationXYZ=Z", "UniformDataSTD=0.03",
          "MeaTimeDelay=0", "NoGates=37", "RemoveInitialGates=3", "PrimaryFieldDampingFactor=0.0"]
    write("workbench_dual.gex", L)


SQUARE = [(10, 10), (-10, 10), (-10, -10), (10, -10)]
SM_GATES = gates(20, 10.0e-06, 1.25, 4.0e-06)


def hand_edited_single():
    """Single moment, hand edited: byte order mark, CR LF, the channel before [general], keys in
    other letter cases, spaces around "=", in-line comments, one-digit numbers up to 20."""
    L = ["[Channel1]", "TransmitterMoment = SingleM", "NoGates = 20", "RepFreq = 25 // mains 50 Hz",
         "frontgatetime = 5E-6", "TiBLowPassFilter = 1 250000", "TxApproximateCurrent = 30.5",
         "RemoveInitialGates = 2", "", "[general]", "description = Single moment square loop",
         "NUMBEROFTURNS = 2 // two turns", "looptype = 72"]
    for i, (x, y) in enumerate(SQUARE, 1):
        L.append("txlooppoint%d = %g %g -0.4" % (i, x, y))
    L += ["RxCoilPosition1 = 0.00 0.00 -0.50", "rxcoillpfilter1 = 1 300000"]
    for i, g in enumerate(SM_GATES, 1):
        L.append("GATETIME%d = %.6E %.6E %.6E // gate %d" % ((i,) + g + (i,)))
    for i, p in enumerate([(-2.0e-03, 0.0), (-1.9e-03, 1.0), (0.0, 1.0), (3.0e-06, 0.0)], 1):
        L.append("waveformpoint%d = %.6E %.6E" % ((i,) + p))
    write("hand_edited_single.gex", L, eol="\r\n", bom=True)


HM120 = gates(120, 8.0e-06, 1.05, 1.0e-06)


def three_digit_keys():
    """Three-digit numbers throughout (120 high-moment gates), sections in reverse order, and
    keys and a section no program of ours knows."""
    L = ["[Channel2]", "TransmitterMoment=HM", "NoGates=120", "RepFreq=12.5",
         "TiBLowPassFilter=1 300000", "TxApproximateCurrent=95", "VendorGateFlags=1 1 1 0",
         "[Channel1]", "TransmitterMoment=LM", "NoGates=28", "RepFreq=222.5",
         "TiBLowPassFilter=1 300000", "TxApproximateCurrent=8.5",
         "[Processing]", "Projection=UTM32N", "Operator=crew 2",
         "[General]", "Description=Three-digit keys", "InstrumentSerial=SN-0042",
         "NumberOfTurnsLM=2", "NumberOfTurnsHM=6", "LoopType=72"]
    for i, (x, y) in enumerate(SQUARE, 1):
        L.append("TxLoopPoint%03d=%g %g" % (i, x, y))
    L.append("RxCoilPosition001=-15.00 0.00 -1.50")
    for i, p in enumerate(LM_WAVE, 1):
        L.append("WaveformLMPoint%03d=%e %e" % ((i,) + p))
    for i, p in enumerate(HM_WAVE, 1):
        L.append("WaveformHMPoint%03d=%e %e" % ((i,) + p))
    for i, g in enumerate(LM_GATES, 1):
        L.append("GateTimeLM%03d=%e %e %e" % ((i,) + g))
    for i, g in enumerate(HM120, 1):
        L.append("GateTimeHM%03d=%e %e %e" % ((i,) + g))
    write("three_digit_keys.gex", L)


def loop_type7():
    """A rectangle given by its two sides, separated by a tab."""
    L = ["[General]", "LoopType=7", "TxLoopSides=\t20.0\t30.0", "NumberOfTurns=1"]
    for i, g in enumerate(gates(5, 1e-05, 1.5, 1e-05), 1):
        L.append("GateTime%02d=%e %e %e" % ((i,) + g))
    L += ["[Channel1]", "TransmitterMoment=SingleM", "NoGates=5", "TiBLowPassFilter=1 300000"]
    write("loop_type7.gex", L)


def absurd_counts():
    """Counts and indices far outside the model's limits."""
    L = ["[General]", "NumTx=1000", "NumTimebases=77", "NumAcqChn=99999", "NumRx=-3",
         "NumberOfTurns=1", "SysRespExists01=1", "GateTime01=1e-5 0.9e-5 1.1e-5",
         "[Transmitter1]", "LoopSides=5000", "NumGatesInSet=100000",
         "WaveformPointsDigitized=100000",
         "[Transmitter2]", "LoopSides=-7", "NumGatesInSet=-1",
         "[Channel1]", "TxNumber=77", "TimeBaseNumber=12345", "NoGates=999999",
         "TiBLowPassFilter=1 300000",
         "[Channel2]", "TxNumber=-5", "NoGates=-9", "TiBLowPassFilter=1 300000",
         "[SysResp01]", "FwdModelLayers=500",
         "[RxCoil1]", "Shape=Polygon", "Loopsides=100000"]
    write("absurd_counts.gex", L)


if __name__ == "__main__":
    workbench_dual()
    hand_edited_single()
    three_digit_keys()
    loop_type7()
    absurd_counts()
