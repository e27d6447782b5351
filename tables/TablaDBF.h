// The dBase table service: the table component through which every working
// table is created, filled and read. It follows the row semantics of the
// database engine the host shares these files with:
//  - Append while a row is pending stores the pending row first;
//  - writing a field with no row being appended raises
//    "La fuente de datos no está en modo de edición o inserción";
//  - every posted row is on disk at once, and the header's record count is
//    right after every Close (the destructor closes; a pending row is lost);
//  - rows flagged deleted ('*') are invisible; First/Next/Eof walk the rest
//    in stored order;
//  - the filter text "PROF= 'AB'" shows only rows whose field equals the
//    literal exactly.
// It writes dBase III+ files (version 0x03, language driver 0x57) and reads
// those, dBase 7 and FoxPro tables (see docs/dbase.md). Every failure is a
// std::runtime_error with a Spanish message naming the table or field.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace transzorvos {

enum class TipoCampo {
  Texto,     // 'C', width n
  Entero,    // 'N' width 11, 0 decimals
  Logico,    // 'L'
  Flotante,  // 'N' width 20, 4 decimals
};

// Field definitions for the next CreateTable.
class DefinicionesCampos {
 public:
  struct Definicion {
    std::string nombre;
    TipoCampo tipo;
    int ancho;  // only for TipoCampo::Texto
  };
  void Clear() { defs_.clear(); }
  void Add(std::string nombre, TipoCampo tipo, int ancho = 0) {
    defs_.push_back({std::move(nombre), tipo, ancho});
  }
  const std::vector<Definicion>& Lista() const { return defs_; }

 private:
  std::vector<Definicion> defs_;
};

// One field of an open table as the file describes it.
struct DescripcionCampo {
  std::string nombre;
  char tipo;  // dBase type letter: 'C', 'N', 'L', 'I', 'O', ...
  int ancho;
  int decimales;
};

class TablaDBF;

// A field of the current row of an open table. Cheap to copy; valid while its
// table stays open.
class CampoDBF {
 public:
  // Character fields without their trailing blanks; numbers as their text
  // ("1", not "   1"); logicals as "T"/"F" or "" when unset.
  std::string AsString() const;
  // An empty numeric field reads as 0. A text that is no integer raises.
  std::int32_t AsInteger() const;
  bool AsBoolean() const;
  double AsFloat() const;

  // Writes need a row being appended. Text longer than the field is cut.
  void SetAsString(std::string_view valor);
  void SetAsInteger(std::int32_t valor);
  void SetAsBoolean(bool valor);
  void SetAsFloat(double valor);

  const DescripcionCampo& Descripcion() const;

 private:
  friend class TablaDBF;
  CampoDBF(TablaDBF* tabla, std::size_t indice) : tabla_(tabla), indice_(indice) {}
  TablaDBF* tabla_;
  std::size_t indice_;
};

class TablaDBF {
 public:
  TablaDBF();
  // A closed table component for `TableName` (with or without ".DBF"; UTF-8
  // like every text of the program) in the folder `DatabaseName`.
  TablaDBF(std::filesystem::path carpeta, std::string nombre, bool exclusivo = false);
  ~TablaDBF();  // Close()
  TablaDBF(const TablaDBF&) = delete;
  TablaDBF& operator=(const TablaDBF&) = delete;

  std::filesystem::path DatabaseName;
  std::string TableName;
  bool Exclusive = false;  // opening fails while another process holds the file
  DefinicionesCampos FieldDefs;

  // The file the component names: DatabaseName/TableName[.DBF]. An existing
  // file whose name differs only in letter case is found too, and named as
  // the folder holds it.
  std::filesystem::path Fichero() const;

  // A new empty table with exactly FieldDefs, replacing any file of that name.
  void CreateTable();

  // Open stands on the first visible row; opening an open table does nothing.
  void Open();
  // Ends all access; a pending appended row is dropped. Never throws.
  void Close();
  bool Active() const;

  void First();
  void Next();
  bool Eof() const;

  void Append();
  void Post();

  // A name the table lacks raises a message naming the field and the table.
  CampoDBF FieldByName(std::string_view nombre);
  const std::vector<DescripcionCampo>& Campos() const;

  // Filter text "CAMPO= 'literal'" ('' inside the literal is one quote);
  // any other text raises. Filtered(true) applies it and stands on the first
  // visible row.
  void SetFilter(std::string_view texto);
  void SetFiltered(bool filtrado);

  struct Estado;  // implementation detail

 private:
  friend class CampoDBF;
  std::unique_ptr<Estado> estado_;
};

// Deletes Tabla.DBF and then Tabla.MDX in `carpeta` if present; a failed
// deletion is not reported (the following CreateTable reports instead).
void BorrarTabla(const std::filesystem::path& carpeta, std::string_view nombre);

// True when the table's .DBF file exists (letter case ignored).
bool ExisteTabla(const std::filesystem::path& carpeta, std::string_view nombre);

}  // namespace transzorvos
