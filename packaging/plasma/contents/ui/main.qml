// Corvane's labels in a Plasma panel, whose system tray shows a square icon only: each broker's
// nickname over the day's amount, green for a gain and red for a loss, as the tray item draws
// them. The labels come from `corvane --status --json`, asked again every few seconds (Plasma 5
// offers no D-Bus to QML, and its executable engine reports a command only when it ends); a
// click starts `corvane`, which opens the running instance's popover, or starts Corvane.
import QtQuick 2.15
import QtQuick.Layouts 1.15
import org.kde.plasma.plasmoid 2.0
import org.kde.plasma.core 2.0 as PlasmaCore
import org.kde.plasma.components 3.0 as PlasmaComponents3

Item {
    id: root

    readonly property string readCommand: "corvane --status --json"
    // In the background, so a Corvane it starts outlives the engine's process and the click
    // after it is not refused as "already running".
    readonly property string openCommand: "corvane >/dev/null 2>&1 &"

    // The last answer; null while no Corvane runs.
    property var status: null
    readonly property var labels: status ? status.labels : []

    // The panel's text colour tells whether it is dark; the amounts take the tray's colours
    // for that appearance.
    readonly property bool darkPanel: PlasmaCore.ColorScope.textColor.hslLightness > 0.5
    readonly property color gainColor: darkPanel ? "#30D158" : "#34C759"
    readonly property color lossColor: darkPanel ? "#FF453A" : "#FF3B30"
    readonly property bool vertical: Plasmoid.formFactor === PlasmaCore.Types.Vertical

    function colorOf(sign) {
        if (sign === "positive")
            return gainColor;
        if (sign === "negative")
            return lossColor;
        return PlasmaCore.ColorScope.textColor;
    }

    function tooltipText() {
        if (!status)
            return "Corvane is not running.\nClick to start it.";
        var lines = [];
        for (var i = 0; i < labels.length; ++i)
            lines.push(labels[i].nickname + " " + labels[i].value);
        lines.push("Market: " + (status.marketState || "n/a"));
        if (status.lastupdated)
            lines.push("Last updated: " + status.lastupdated);
        if (status.criticalError)
            lines.push(status.criticalError);
        if (status.internetError)
            lines.push(status.internetError);
        return lines.join("\n");
    }

    Plasmoid.preferredRepresentation: Plasmoid.compactRepresentation
    Plasmoid.icon: "corvane"
    Plasmoid.title: "Corvane"
    Plasmoid.toolTipMainText: "Corvane"
    Plasmoid.toolTipSubText: tooltipText()

    Plasmoid.compactRepresentation: MouseArea {
        id: compact

        objectName: "corvaneLabels"
        Layout.minimumWidth: root.vertical ? -1 : grid.implicitWidth
        Layout.preferredWidth: grid.implicitWidth
        Layout.minimumHeight: root.vertical ? grid.implicitHeight : -1
        Layout.preferredHeight: grid.implicitHeight
        hoverEnabled: true
        onClicked: launcher.connectSource(root.openCommand)

        GridLayout {
            id: grid

            anchors.centerIn: parent
            flow: root.vertical ? GridLayout.TopToBottom : GridLayout.LeftToRight
            rowSpacing: PlasmaCore.Units.smallSpacing
            columnSpacing: PlasmaCore.Units.smallSpacing * 2

            PlasmaComponents3.Label {
                visible: root.status !== null && root.status.hasError
                text: "⚠"
                color: PlasmaCore.ColorScope.neutralTextColor
                Layout.alignment: Qt.AlignCenter
            }

            Repeater {
                model: root.labels

                ColumnLayout {
                    spacing: 0
                    Layout.alignment: Qt.AlignCenter

                    PlasmaComponents3.Label {
                        text: modelData.nickname
                        font: PlasmaCore.Theme.smallestFont
                        color: PlasmaCore.ColorScope.textColor
                        Layout.alignment: Qt.AlignHCenter
                    }

                    PlasmaComponents3.Label {
                        text: modelData.value
                        font.pointSize: PlasmaCore.Theme.smallestFont.pointSize
                        font.bold: true
                        color: root.colorOf(modelData.sign)
                        Layout.alignment: Qt.AlignHCenter
                    }
                }
            }

            // The logo's place when there is nothing to tally, or no Corvane to ask.
            PlasmaComponents3.Label {
                visible: root.labels.length === 0
                text: "Corvane"
                opacity: root.status ? 1 : 0.6
                Layout.alignment: Qt.AlignCenter
            }
        }
    }

    PlasmaCore.DataSource {
        id: reader

        engine: "executable"
        onNewData: {
            disconnectSource(sourceName);
            var answer = null;
            if (data["exit code"] === 0) {
                try {
                    answer = JSON.parse(data["stdout"]);
                } catch (error) {
                    answer = null;
                }
            }
            root.status = answer;
        }
    }

    PlasmaCore.DataSource {
        id: launcher

        engine: "executable"
        onNewData: disconnectSource(sourceName)
    }

    Timer {
        interval: 5000
        running: true
        repeat: true
        triggeredOnStart: true
        onTriggered: reader.connectSource(root.readCommand)
    }
}
