#include "config/TFormHELP.h"

#include "ui_TFormHELP.h"

namespace tem::gui {

TFormHELP::TFormHELP(QWidget* parent) : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::TFormHELP>())
{
    ui->setupUi(this);
    ui->MemoHelp->setPlainText(HelpText());
    connect(ui->BitBtnClose, &QPushButton::clicked, this, &QWidget::close);
}

TFormHELP::~TFormHELP() = default;

QString TFormHELP::HelpText()
{
    return QStringLiteral(R"(TEM SETRIX HELP

WHY THIS PROGRAM
A TEM system description has many numbers: loop corners, turns, currents, receiver areas and gains, filters, gate times, waveforms and delays. A mistake in any of them is hard to see in a parameter file and may only show up as bad data after a survey. This window set helps you check them in several ways:
 - graphics: the layout diagram draws the transmitter loops, the receiver coils, the GNSS antenna and the vehicle to scale, in 3D or in plan;
 - derived values: loop area, equivalent square side, power, resistance and moment (NIA) are calculated from what you enter, so a wrong corner or current shows at once;
 - range checks: turns, damping and orientation are checked when the window is filled and when you commit;
 - cross-checks: receiver area x turns x pre-amplifier gain, equivalent radius and side lengths are compared with each other.
Changes are committed to the configuration only by Save, Copy As, the master tick, Refresh and Centroid. Press Save file - do not forget.

TDC AND GEX FILES
Both formats are keyword (INI-style) text files: [Section] headers followed by Key=Value lines. Both are read by keyword, so the order of sections and keys does not matter and keys this program does not know are kept when a file is updated in place.
 - GEX (the Aarhus Workbench geometry-exchange format) keeps compound values on one line (for example several coordinates or gate times in one value) and has one [General] section that holds generic keywords and high-moment and low-moment keywords side by side. GEX has no keywords that count gates or waveform points: the counts follow from the lists. GEX describes one horizontal transmitter with one or two moments.
 - TDC (this system's own acquisition-control format) splits compound values into separate keys with suffixes such as X, Y, Z, Time, Start, Centre and End, and has one section per item: [Tx1], [Tx2], ... for transmitters and [Rx1] to [Rx#] for receivers, with counts for gates and points. TDC holds any number of transmitters and receivers.
 - This window shows only the first two transmitters: the default transmitter (Tx1) and the auxiliary transmitter (Tx2), normally the low and high moments of one loop system.

CONVERTING BETWEEN THE FORMATS
Load either format with "Load TDC or GEX"; choose the "Save File Format" and use "Save TDC or GEX" or "Copy As TDC/GEX" to write the other one.
 - TDC to GEX: transmitter values go to the [General] section where GEX has a keyword for them; the rest goes to [Transmitter1] and [Transmitter2] sections, which the processing suite ignores but this program reads back.
 - Reading GEX: moments and time bases are reduced to what GEX can hold, and channels are mapped to transmitter and receiver numbers; saved as TDC they keep that form.
 - GEX accepts only a single moment (default transmitter "Single"), or the default transmitter as low moment (LM) with the auxiliary as high moment (HM). The reversed pair is saved with a warning; other combinations are refused for GEX but can be saved as TDC.

KEYS AND CONVENTIONS
 - Coordinates: X is along the direction of travel, Y is transverse to the right, Z is vertically down (positive down). All lengths in metres, times in seconds, currents in amperes.
 - Centroid: the transmitter centroid is calculated in the plane normal to the orientation axis (two coordinates); the third coordinate is the mean of the nodes and only fixes that plane. Typed centroid values are replaced by the calculated ones at the next commit. GEX files expect all coordinates referenced to the transmitter centroid.
 - Area: the transmitter area is for a single turn; the turns multiply the moment, not the area. For receivers, AreaSingleTurn is one turn, and AreaNumTurnsxPreAmpxSingleTurn is the product of area, turns and pre-amplifier gain - the effective area the data are normalised by. Leave the product, the equivalent radius or the side lengths blank (or zero) to have them calculated.
 - Orientation: Z, X or Y, the reference axis of the moment; tilt and rotation are measured from it.
 - Pre-amplifier gain: the gain of the receiver pre-amplifier; the default gain of the acquisition system without pre-amplification is the A-to-D conversion gain.
 - MomentID: Single (SingleM), Low (LM), High (HM) or Other. It is an alias of the transmitter number, used by channels to name the transmitter moment they record.
 - Low-pass filter: the transmitter-in-a-box low-pass filter (order and cut-off) is listed under the acquisition channel in GEX files.
 - Receiver orientation is kept both in the channel sections and in the receiver sections.
 - Pre-binned delays (PreBinAppliedRxDelay and the sampling delay) matter only to acquisition control; processing uses the gate times.

MASTER FILES
A reference configuration can be marked "Master file READ ONLY". The file then carries an integrity stamp; Save refuses to overwrite it, and removing the mark saves an unprotected copy. Every save first makes a numbered backup of the existing file.

THE DIAGRAM
Drag with the mouse to rotate, Shift+drag or right-drag to move, and use the wheel to zoom; the tool bar above the diagram does the same, and its "Save PNG..." button saves the diagram as it is drawn as a PNG image.

THE SYSTEM REPORT
"Create PDF Specifications" writes an A4 PDF that describes the system as the window shows it, for the appendix of a survey report: the file, its master state and CRC-32 (so a reader can check the file the report describes), the layout diagram in plan and in 3-D, transmitters, receivers, channels, time bases with their gates and time lines, waveforms, system responses and noise, and the vehicle.
)");
}

} // namespace tem::gui
