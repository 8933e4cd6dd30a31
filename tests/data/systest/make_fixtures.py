#!/usr/bin/env python3
"""Writes the system test fixtures of this folder, one per form the acquisition unit's export
takes: tab-separated with LF (tab.TXT) and the same with CR LF (crlf.TXT), comma and blank
separated (comma.TXT), units the reader refuses (units_abort.TXT), a test without station 8
(no_station8.TXT), and a channel-count column (nch.TXT). Run it from this folder; the files are
committed. The tests recompute what they expect from the same formulas (value, CURRENT, RAMP)."""

CHANNELS = 20

# Transmitter current (A) and ramp (ms) per station; the second record of a station draws 0.5 A more.
CURRENT = {1: 38.0, 2: 25.0, 3: 24.0, 4: 25.0, 5: 20.0, 6: 30.0, 7: 31.0, 8: 29.0}
RAMP = {1: 0.0095, 2: 0.0048, 3: 0.0, 4: 0.0050, 5: 0.022, 6: 0.0, 7: 0.006, 8: 0.006}


def value(station, component, gate, record):
    """Channel value in the file for a station, component ("Z" or "X"), gate and record (1, 2)."""
    if component == "Z":
        return station * 1000 + 10 * gate + record
    return -(station * 100 + gate + record)


def fmt(v):
    return ("%.6f" % v).rstrip("0").rstrip(".")


def write(name, lines, eol="\n"):
    with open(name, "wb") as f:
        f.write((eol.join(lines) + eol).encode("latin-1"))


def tab_lines():
    """All eight stations, two records each, Z and X lines; comments, a blank line, station 9."""
    header = ["Stn", "Stacks", "Cur", "RMP", "Valid_GPS", "Longitude", "Latitude", "#Channels", "RxArea",
              "Tx_Area", "Tx_nTurns", "RX_Delay", "Rx_ChnLabel", "ChnUnits", "Tx_Voltage", "Date"]
    header += ["CH%d" % k for k in range(1, CHANNELS + 1)]
    lines = ["\t".join(header)]

    def record(station, component, rec, valid="TRUE"):
        cur = CURRENT.get(station, 10.0) + 0.5 * (rec - 1)
        row = [str(station), "2000", fmt(cur), fmt(RAMP.get(station, 0.0)), valid, "138.6", "-34.9", "2", "0.5",
               "100", "1", "0.009", component, "uV/A", "8.0", "10 Dec 2026"]
        row += [fmt(value(station, component, k, rec)) for k in range(1, CHANNELS + 1)]
        return "\t".join(row)

    for station in range(1, 9):
        for rec in (1, 2):
            for component in ("Z", "X"):
                lines.append(record(station, component, rec))
        if station == 3:
            lines += ["// operator note: loop turn shorted", "", "\\ second note"]
    lines.append(record(9, "Z", 1, valid="FALSE"))  # an unreserved station: checks only
    return lines


def comma_lines():
    """Commas and blanks, a quoted component and a quoted date with a blank, 8 channels named CHN,
    other aliases for current and ramp, one empty channel field; stations 1, 2, 4 and 8."""
    header = "Stn Stacks TX_AMPS TURNOFF C DATE RXAREA Tx_Area Tx_nTurns Rx_Delay_ms " + " ".join(
        "CHN%d" % k for k in range(1, 9))
    lines = [header]
    for station, components in ((1, "ZX"), (2, "ZX"), (4, "Z"), (8, "ZX")):
        for component in components:
            vals = [fmt(value(station, component, k, 1)) for k in range(1, 9)]
            if station == 2 and component == "X":
                vals[4] = ""  # an empty field reads as 1.0
            lines.append(", ".join([str(station), "2000", fmt(CURRENT[station]), fmt(RAMP[station]),
                                    '"%s"' % component, '"10 Dec 2026"', "0.5", "100", "1", "0.009"] + vals))
    return lines


def units_abort_lines():
    header = ["Stn", "Stacks", "Cur", "RMP", "RxArea", "Tx_Area", "Tx_nTurns", "RX_Delay", "Rx_ChnLabel",
              "ChnUnits", "Tx_Voltage", "CH1", "CH2"]
    row = ["2", "2000", "25", "0.0048", "0.5", "100", "1", "0.009", "Z", "uv", "8.0", "5", "6"]
    return ["\t".join(header), "\t".join(row)]


def no_station8_lines():
    """Stations 2, 6 and 7 in microvolts (divided by each line's current)."""
    header = ["Stn", "Stacks", "Cur", "RMP", "RxArea", "Tx_Area", "Tx_nTurns", "RX_Delay", "Rx_ChnLabel",
              "ChnUnits", "Tx_Voltage"] + ["CH%d" % k for k in range(1, CHANNELS + 1)]
    lines = ["\t".join(header)]
    for station in (2, 6, 7):
        for component in ("Z", "X"):
            row = [str(station), "2000", fmt(CURRENT[station]), fmt(RAMP[station]), "0.5", "100", "1", "0.009",
                   component, "uV", "8.0"]
            # Microvolts: the file holds value * current.
            row += [fmt(value(station, component, k, 1) * CURRENT[station]) for k in range(1, CHANNELS + 1)]
            lines.append("\t".join(row))
    return lines


def nch_lines():
    """An NCH column: 132 values a line (gate k holds k), though the header names only CH1..CH5;
    the last line announces 150 with NCH 2 and carries 132."""
    header = ["Stn", "Stacks", "Cur", "RMP", "NCH", "RxArea", "Tx_Area", "Tx_nTurns", "RX_Delay", "Component",
              "Tx_Voltage"]
    header += ["CH%d" % k for k in range(1, 6)]
    lines = ["\t".join(header)]
    for station, nch in ((2, "1"), (8, "1"), (8, "2")):
        row = [str(station), "2000", "25", "0.0048", nch, "0.5", "100", "1", "0.009", "Z", "8.0"]
        row += [str(k) for k in range(1, 133)]
        lines.append("\t".join(row))
    return lines


if __name__ == "__main__":
    write("tab.TXT", tab_lines())
    write("crlf.TXT", tab_lines(), eol="\r\n")
    write("comma.TXT", comma_lines(), eol="\r\n")
    write("units_abort.TXT", units_abort_lines())
    write("no_station8.TXT", no_station8_lines())
    write("nch.TXT", nch_lines())
