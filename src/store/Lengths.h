#pragma once

// How long a stored text may be, as its column is declared: callers check what they are given
// against these instead of restating the numbers.
namespace Store {

enum class TextColumn {
    ReadingLabel,      // 測点
    ReadingTruck,      // 車番
    ReadingRemark,     // 備考
    DayNote,           // 記事 of a day, in Shift-JIS bytes
    DayWeather,        // 天候
    DayAirTemperature, // 気温 as typed
    HistoryWho,        // who made a change
    HistoryValue,      // a change's before and after
    ProfileFile,       // a scanner file's name
    CategoryName,      // 区分名, in Shift-JIS bytes
    CategoryInterval,  // 測定間隔, in Shift-JIS bytes
    CategoryRange,     // 温度範囲, in Shift-JIS bytes
};

int LengthOf(TextColumn column);

} // namespace Store
