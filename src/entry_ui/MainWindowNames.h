#pragma once

// The main window's controls and menu entries by their designer names: the window names them
// so, and its tests and the other windows' wiring find them so.
namespace MainWindowNames {

// ファイル
inline constexpr char OpenItem[] = "Open1";
inline constexpr char NewItem[] = "N3";
inline constexpr char RegisterItem[] = "RegisterItem";
inline constexpr char PrintItem[] = "PrintItem";
inline constexpr char SiteItem[] = "SiteItem";
inline constexpr char DeleteItem[] = "Delete1";
inline constexpr char DeleteDayItem[] = "DeleteDay1";
inline constexpr char RestoreItem[] = "RestoreItem";
inline constexpr char ImportCsvItem[] = "ImportCsvItem";
inline constexpr char ImportProfileItem[] = "ImportProfileItem";
inline constexpr char ExportItem[] = "ExportItem";
inline constexpr char PackageItem[] = "PackageItem";
inline constexpr char ImportOldItem[] = "ImportOldItem";
inline constexpr char CopyDataItem[] = "CopyDataItem";
inline constexpr char CloseItem[] = "Close1";
// 編集
inline constexpr char UndoItem[] = "UndoItem";
inline constexpr char RedoItem[] = "RedoItem";
inline constexpr char CutItem[] = "CutItem";
inline constexpr char CopyItem[] = "CopyItem";
inline constexpr char PasteItem[] = "PasteItem";
inline constexpr char ClearItem[] = "ClearItem";
inline constexpr char SelectAllItem[] = "SelectAllItem";
// データ, オプション, ヘルプ
inline constexpr char DayListItem[] = "DayListItem";
inline constexpr char JourneyItem[] = "JourneyItem";
inline constexpr char KojiItem[] = "KojiItem";
inline constexpr char GozaiItem[] = "GozaiItem";
inline constexpr char SimeiItem[] = "SimeiItem";
inline constexpr char KubunItem[] = "KubunItem";
inline constexpr char DataPathItem[] = "DataPathItem";
inline constexpr char HelpMenu[] = "HelpMenu";
inline constexpr char HelpUsageItem[] = "HelpUsage";
inline constexpr char HelpAboutItem[] = "HelpAbout";

// The header: project, mix, day, category and measurer, each with its register button.
inline constexpr char HeaderPanel[] = "HeaderPanel";
inline constexpr char KojiButton[] = "Button1";
inline constexpr char KojiCode[] = "Edit2";
inline constexpr char KojiName[] = "ComboBox1";
inline constexpr char GozaiButton[] = "Button2";
inline constexpr char GozaiName[] = "ComboBox2";
inline constexpr char PrintName[] = "Edit3";
inline constexpr char DayButton[] = "Button3";
inline constexpr char Day[] = "ComboBox3";
inline constexpr char KubunButton[] = "Button4";
inline constexpr char Kubun[] = "ComboBox4";
inline constexpr char SimeiButton[] = "Button9";
inline constexpr char Simei[] = "ComboBox5";
// The specified value (規格値), interval and weather.
inline constexpr char SpecPanel[] = "SpecPanel";
inline constexpr char SpecValue[] = "Edit5";
inline constexpr char SpecRange[] = "Edit6";
inline constexpr char Interval[] = "Edit8";
inline constexpr char Weather[] = "ComboTenki";
inline constexpr char AirTemperature[] = "EditKion";
// The readings and their statistics.
inline constexpr char Readings[] = "SS1";
inline constexpr char SimulatedBand[] = "SimulatedBand";
inline constexpr char Statistics[] = "SS2";
inline constexpr char OutsideCount[] = "LabelKikakugai";
inline constexpr char DecimalsBox[] = "GroupBox1";
inline constexpr char AverageDecimals[] = "SpinEdit1";
inline constexpr char RowCount[] = "Edit7";
inline constexpr char NumberRowsButton[] = "Button10";
inline constexpr char Memo[] = "Memo1";
inline constexpr char ShownId[] = "Label6";
// The buttons along the bottom.
inline constexpr char BottomPanel[] = "BottomPanel";
inline constexpr char DirectionButton[] = "Button6";
inline constexpr char SimulateButton[] = "Button7";
inline constexpr char PrintButton[] = "BitBtn1";
inline constexpr char RegisterButton[] = "BitBtn2";
inline constexpr char CloseButton[] = "BitBtn3";

} // namespace MainWindowNames
