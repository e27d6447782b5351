// The tool's text boundary with the system: its arguments, the paths made
// from them and its two output streams. Inside the tool every text is UTF-8.
//
// On Windows a stream that is a console gets its text as UTF-16 through
// WriteConsoleW, so accents show whatever the console's code page; a stream
// redirected to a file or pipe gets the UTF-8 bytes (lines ending CR LF), as
// scripts expect. Elsewhere the streams are std::cout and std::cerr.
#pragma once

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

namespace transzorvos::cli {

// Every write of the tool to standard output and standard error goes through
// these. Errores() is unbuffered; flush Salida() before writing to it so the
// two keep their order on a console.
std::ostream& Salida();
std::ostream& Errores();

// A path from UTF-8 text such as an argument: on Windows the characters, not
// the bytes read in the ANSI code page; elsewhere the bytes as they are.
std::filesystem::path RutaDeUtf8(std::string_view utf8);
// A path as UTF-8 text, for messages.
std::string Utf8DeRuta(const std::filesystem::path& ruta);

// How many leading bytes of `bytes` can be converted now: all but a UTF-8
// sequence cut short at the end, which waits for the bytes that complete it
// (output is flushed in blocks that may end inside a character).
std::size_t Utf8Completo(std::string_view bytes);

}  // namespace transzorvos::cli
