// Short codes that stay unique in their table. The host knows subjects,
// teachers, groups and rooms by a code of at most four characters, and the
// import finds its way back by that code alone, so no two rows of one table
// may share it.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace transzorvos {

// Equality ignoring letter case: ASCII letters and the Windows-1252 accented
// letter pairs (á/Á, ñ/Ñ, š/Š, œ/Œ, ž/Ž, ÿ/Ÿ, ...). Accents count: 'E' is
// not 'É'. Both texts are Windows-1252.
bool IgualesSinMayusculas(std::string_view a, std::string_view b);

// The codes one builder has stored, in the order it stored them.
class ListaCodigos {
 public:
  // `tabla` names the table in the error message.
  explicit ListaCodigos(std::string tabla) : tabla_(std::move(tabla)) {}

  // The stored codes, in the order they were handed out.
  const std::vector<std::string>& Codigos() const { return codigos_; }

  // A code for `base` (at most four characters) that no stored code equals,
  // recorded as stored: `base` itself when free; otherwise, for n = 1, 2, ...,
  // `base` cut to 4 - digits(n) characters followed by n, the first that is
  // free. AGL, AGL1 ... AGL9, AG10; MA, MA1 ... MA99, M100. Codes are
  // compared as the table stores them: letter case ignored as above, and
  // trailing blanks dropped ('T ' and 'T' are taken by each other). Raises
  // when no candidate is left.
  std::string Asignar(std::string_view base);

 private:
  bool Contiene(std::string_view codigo) const;
  std::string tabla_;
  std::vector<std::string> codigos_;
  // Case-folded copies of codigos_, so that a lookup is not a scan: the
  // comparison above is equality of the folded texts.
  std::unordered_set<std::string> plegados_;
  // Per base in lower case (trailing blanks kept, so that every base sharing
  // a key makes the same candidates), the first counter not yet known to be
  // taken. Codes are never removed, so a counter found taken stays taken.
  std::unordered_map<std::string, int> siguiente_;
};

}  // namespace transzorvos
