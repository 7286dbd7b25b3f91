#pragma once
// "CENTRPRG.INI" in the program folder. The file is opened for each read; a missing file or key
// gives the default. The tool writes only [Serial] Port.
//
//   [Serial]   Port=<serial port>                    default "COM2"
//   [Default]  TempoGeraFlash=<flash time, x100 ms>  text, default "2"   (timers screen)
//              TempoComando=<door command, s>        text, default "1"   (door-phone screen)
//              LimiteCifras=<0 or 1>                 boolean, default 1  (trunk screen)

#include <string>

inline constexpr char DefaultSerialPort[] = "COM2";
inline constexpr char DefaultFlashTime[] = "2";
inline constexpr char DefaultCommandTime[] = "1";
inline constexpr bool DefaultDigitLimit = true;

std::string ConfigSerialPort();
void SaveConfigSerialPort(const std::string& port);
std::string ConfigFlashTime();   // "TempoGeraFlash"
std::string ConfigCommandTime(); // "TempoComando"
bool ConfigDigitLimit();         // "LimiteCifras"
