#pragma once
// What an open tab or a recent entry shows. The project kinds are stored in
// the settings (RecentTypeN), so their values never change.
enum class OpenKind : int {
    None = 0,
    Map = 1,
    FlightPlan = 2,
    Log = 3,
    PhotoTagger = 4,
    Thermal = 5,
    // Windows without a project of their own; never stored.
    Welcome = 100,
    AciList = 101,
    Flightbook = 102,
    Database = 103,
};
