"""Reads an exchange document with Python's own XML parser, independent of
the program's, and prints its tree one element a line for the tests.

  --nuevo F   the last group of the data block (the one the import appends),
              flagging any text between its elements (!texto, !cola)
  --todo F    the whole document (layout whitespace ignored)
  --textos F  every value's text, trimmed, one a line
"""
import sys
import xml.etree.ElementTree as ET


def texto(t):
    return (t or "").replace("\\", "\\\\").replace("\n", "\\n")


def linea(e, nivel, marcar):
    partes = [" " * nivel + e.tag] + [f"{k}={v}" for k, v in e.attrib.items()]
    if e.tag == "dato":
        partes.append(f"[{texto(e.text)}]")
    elif marcar and e.text is not None:
        partes.append("!texto")
    if marcar and e.tail is not None:
        partes.append("!cola")
    return " ".join(partes)


def volcar(e, nivel, marcar):
    print(linea(e, nivel, marcar))
    for hijo in e:
        volcar(hijo, nivel + 1, marcar)


def main():
    modo, fichero = sys.argv[1], sys.argv[2]
    raiz = ET.parse(fichero).getroot()
    if modo == "--todo":
        volcar(raiz, 0, False)
    elif modo == "--nuevo":
        bloque = raiz.find("BLOQUE_DATOS")
        volcar(list(bloque)[-1], 0, True)
    elif modo == "--textos":
        for dato in raiz.iter("dato"):
            print(texto((dato.text or "").strip()))
    else:
        sys.exit("modo desconocido: " + modo)


main()
