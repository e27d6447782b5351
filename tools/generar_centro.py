#!/usr/bin/python3
"""Writes the bundled sample school: data/centro/centro.xml, an exchange
document as the school-administration system sends it, and
data/centro/base.xml, the base document the import extends.

The school, its staff and its codes are invented. Several subjects, teachers
and rooms share their initials or the start of their identifiers on purpose,
so an export of this school exercises the unique short codes.

Deterministic: the same files on every run. Usage:
    /usr/bin/python3 tools/generar_centro.py [FOLDER]   (default data/centro)
"""

import os
import sys
from xml.sax.saxutils import escape, quoteattr

CENTRO = "IES Sierra del Toril"
CODIGO_CENTRO = "44990017"
ANNO = "2026"
INICIO = "15/09/2026"
FIN = "23/06/2027"

# Offers of enrolment: (offer code, level, subjects as (subject id, name)).
OFERTAS = [
    ("29101", "1º ESO", [
        ("361001", "Lengua Castellana y Literatura"),
        ("361002", "Lengua Extranjera: Inglés"),
        ("361003", "Matemáticas"),
        ("361004", "Geografía e Historia"),
        ("361005", "Biología y Geología"),
        ("361006", "Educación Física"),
        ("361007", "Educación Plástica, Visual y Audiovisual"),
        ("361008", "Música"),
        ("361009", "Segunda Lengua Extranjera: Francés"),
        ("361010", "Religión"),
    ]),
    ("29102", "2º ESO", [
        ("362001", "Lengua Castellana y Literatura"),
        ("362002", "Lengua Extranjera: Inglés"),
        ("362003", "Matemáticas"),
        ("362004", "Geografía e Historia"),
        ("362005", "Física y Química"),
        ("362006", "Educación Física"),
        ("362007", "Tecnología y Digitalización"),
        ("362008", "Música"),
        ("362009", "Valores Cívicos y Éticos"),
        ("362010", "Atención Educativa"),
    ]),
    ("29103", "3º ESO", [
        ("363001", "Lengua Castellana y Literatura"),
        ("363002", "Lengua Extranjera: Inglés"),
        ("363003", "Matemáticas"),
        ("363004", "Geografía e Historia"),
        ("363005", "Biología y Geología"),
        ("363006", "Física y Química"),
        ("363007", "Educación Física"),
        ("363008", "Tecnología y Digitalización"),
        ("363009", "Educación Plástica, Visual y Audiovisual"),
        ("363010", "Cultura Clásica"),
    ]),
    ("29104", "4º ESO", [
        ("364001", "Lengua Castellana y Literatura"),
        ("364002", "Lengua Extranjera: Inglés"),
        ("364003", "Matemáticas A"),
        ("364004", "Matemáticas B"),
        ("364005", "Geografía e Historia"),
        ("364006", "Educación Física"),
        ("364007", "Latín"),
        ("364008", "Economía y Emprendimiento"),
        ("364009", "Física y Química"),
        ("364010", "Biología y Geología"),
        ("364011", "Digitalización"),
    ]),
    ("29201", "1º Bachillerato", [
        ("371001", "Lengua Castellana y Literatura I"),
        ("371002", "Lengua Extranjera I: Inglés"),
        ("371003", "Filosofía"),
        ("371004", "Educación Física"),
        ("371005", "Matemáticas I"),
        ("371006", "Física y Química"),
        ("371007", "Dibujo Técnico I"),
        ("371008", "Historia del Mundo Contemporáneo"),
        ("371009", "Latín I"),
        ("371010", "Economía"),
    ]),
    ("29202", "2º Bachillerato", [
        ("372001", "Lengua Castellana y Literatura II"),
        ("372002", "Lengua Extranjera II: Inglés"),
        ("372003", "Historia de España"),
        ("372004", "Historia de la Filosofía"),
        ("372005", "Matemáticas II"),
        ("372006", "Física"),
        ("372007", "Química"),
        ("372008", "Biología"),
        ("372009", "Matemáticas Aplicadas a las Ciencias Sociales II"),
        ("372010", "Geografía"),
    ]),
]

# Non-teaching activities: (internal id, activity code, name).
ACTIVIDADES = [
    ("A01", "2", "Guardia"),
    ("A02", "3", "Tutoría con el grupo"),
    ("A03", "5", "Reunión de departamento"),
    ("A04", "7", "Guardia de recreo"),
    ("A05", "9", "Atención a familias"),
    ("A06", "11", "Guardia de biblioteca"),
]

# Staff: (first name, first surname, second surname, department).
EMPLEADOS = [
    ("Ana", "García", "López", "Lengua Castellana y Literatura"),
    ("Antonio", "Gómez", "Lara", "Matemáticas"),
    ("Alicia", "Gil", "Luna", "Inglés"),
    ("Álvaro", "Giménez", "Lozano", "Geografía e Historia"),
    ("María", "Martín", "Sánchez", "Matemáticas"),
    ("Manuel", "Moreno", "Sanz", "Física y Química"),
    ("Marta", "Muñoz", "Serrano", "Biología y Geología"),
    ("José", "Pérez", "Ruiz", "Educación Física"),
    ("Javier", "Prieto", "Romero", "Tecnología"),
    ("Julia", "Pascual", "Rubio", "Música"),
    ("Carmen", "Hernández", "Navarro", "Dibujo"),
    ("Carlos", "Herrero", "Núñez", "Lengua Castellana y Literatura"),
    ("Lucía", "Ortega", "Castro", "Inglés"),
    ("Luis", "Ortiz", "Cano", "Matemáticas"),
    ("Laura", "Iglesias", "Vidal", "Francés"),
    ("Pilar", "Sáez", "Gallego", "Filosofía"),
    ("Pedro", "Soler", "Garrido", "Geografía e Historia"),
    ("Raquel", "Díaz", "Molina", "Latín y Griego"),
    ("Rubén", "Domínguez", "Méndez", "Economía"),
    ("Elena", "Fernández", "Vega", "Física y Química"),
    ("Enrique", "Fuentes", "Varela", "Biología y Geología"),
    ("Isabel", "Blanco", "Aguilar", "Orientación"),
    ("Ignacio", "Benito", "Arias", "Religión"),
    ("Sofía", "Ramos", "Pastor", "Lengua Castellana y Literatura"),
    ("Sergio", "Ramírez", "Peña", "Matemáticas"),
    ("Teresa", "Calvo", "Marín", "Inglés"),
    ("Tomás", "Cortés", "Medina", "Educación Física"),
    ("Nuria", "Lorenzo", "Esteban", "Música"),
    ("Nicolás", "León", "Expósito", "Tecnología"),
    ("Beatriz", "Jiménez", "Herrera", "Geografía e Historia"),
    ("Begoña", "Jurado", "Hidalgo", "Dibujo"),
    ("Francisco", "Alonso", "Delgado", "Física y Química"),
    ("Fernanda", "Álvarez", "Durán", "Biología y Geología"),
    ("Gabriel", "Santos", "Campos", "Matemáticas"),
    ("Gloria", "Sanz", "Crespo", "Lengua Castellana y Literatura"),
    ("Miguel", "Martínez", "Sáez", "Filosofía"),
    ("Mercedes", "Morales", "Sierra", "Economía"),
    ("Óscar", "Carmona", "Ibáñez", "Tecnología"),
    ("Olga", "Caballero", "Iborra", "Francés"),
    ("Ana", "García", "Luque", "Inglés"),
]

# Rooms: (identifier, name). Identifiers are at most ten characters.
DEPENDENCIAS = (
    [("AULA1%02d" % n, "Aula 1%02d" % n) for n in range(1, 13)]
    + [("AULA2%02d" % n, "Aula 2%02d" % n) for n in range(1, 9)]
    + [
        ("LAB-FIS", "Laboratorio de Física"),
        ("LAB-QUI", "Laboratorio de Química"),
        ("LAB-BIO", "Laboratorio de Biología y Geología"),
        ("TALLERTEC", "Taller de Tecnología"),
        ("AUMUSICA", "Aula de Música"),
        ("AUPLASTICA", "Aula de Plástica y Dibujo"),
        ("INFORMAT1", "Aula de Informática 1"),
        ("INFORMAT2", "Aula de Informática 2"),
        ("GIMNASIO", "Gimnasio"),
        ("BIBLIOTECA", "Biblioteca"),
    ]
)

# Units: (unit id, name, offer code).
UNIDADES = []
for oferta, nivel, letras in [
    ("29101", "1º ESO", "ABCD"),
    ("29102", "2º ESO", "ABCD"),
    ("29103", "3º ESO", "ABC"),
    ("29104", "4º ESO", "ABC"),
    ("29201", "1º BACH", "ABC"),
    ("29202", "2º BACH", "ABC"),
]:
    for letra in letras:
        UNIDADES.append(("%d" % (7401001 + len(UNIDADES)), "%s %s" % (nivel, letra), oferta))

# Time slots: (slot id, label, start, end); start and end in minutes since
# midnight.
TRAMOS = [
    ("6501", "1ª", 495, 550),
    ("6502", "2ª", 550, 605),
    ("6503", "3ª", 605, 660),
    ("6504", "Recreo", 660, 690),
    ("6505", "4ª", 690, 745),
    ("6506", "5ª", 745, 800),
    ("6507", "6ª", 800, 855),
]


class Escritor:
    """An exchange document written as indented text."""

    def __init__(self):
        self.lineas = ['<?xml version="1.0" encoding="UTF-8"?>']
        self.nivel = 0

    def abrir(self, etiqueta, **atributos):
        texto = "".join(" %s=%s" % (k, quoteattr(str(v))) for k, v in atributos.items())
        self.lineas.append("  " * self.nivel + "<%s%s>" % (etiqueta, texto))
        self.nivel += 1

    def cerrar(self, etiqueta):
        self.nivel -= 1
        self.lineas.append("  " * self.nivel + "</%s>" % etiqueta)

    def dato(self, nombre, valor):
        self.lineas.append(
            "  " * self.nivel
            + '<dato nombre_dato=%s>%s</dato>' % (quoteattr(nombre), escape(str(valor))))

    def grupo(self, seq, registros, prefijo, nombres):
        """A group of records; each record is a tuple of values named by
        `nombres`."""
        self.abrir("grupo_datos", seq=seq, registros=len(registros))
        for n, valores in enumerate(registros, 1):
            self.abrir("grupo_datos", seq="%s_%d" % (prefijo, n))
            for nombre, valor in zip(nombres, valores):
                self.dato(nombre, valor)
            self.cerrar("grupo_datos")
        self.cerrar("grupo_datos")

    def texto(self):
        return "\n".join(self.lineas) + "\n"


def cabecera(doc, tipo):
    """The root, the data block and the group of the academic year, which
    comes first: its own values are the year and its dates."""
    doc.abrir("SERVICIO", modulo="HORARIOS", tipo=tipo, autor=CENTRO, fecha="10/09/2026")
    doc.abrir("BLOQUE_DATOS")
    doc.abrir("grupo_datos", seq="ANNO_ACADEMICO", registros=0)
    doc.dato("C_ANNO", ANNO)
    doc.dato("F_INICIO", INICIO)
    doc.dato("F_FIN", FIN)
    doc.cerrar("grupo_datos")


def centro():
    doc = Escritor()
    cabecera(doc, "EXPORTACION")
    doc.grupo("JORNADAS_ESCOLARES",
              [("1", "Jornada ordinaria de mañana", INICIO, FIN)],
              "JORNADA", ["X_JORNADA", "D_JORNADA", "F_INICIO", "F_FIN"])
    doc.grupo("MATERIAS",
              [(oferta, materia, nombre)
               for oferta, _, materias in OFERTAS for materia, nombre in materias],
              "MATERIA", ["X_OFERTAMATRIG", "X_MATERIAOMG", "D_MATERIAC"])
    doc.grupo("ACTIVIDADES", ACTIVIDADES, "ACTIVIDAD",
              ["X_ACTIVIDAD", "C_ACTIVIDAD", "D_ACTIVIDAD"])
    doc.grupo("EMPLEADOS",
              [("%d" % (1270301 + i), "01/09/%d" % (2008 + (i * 7) % 18), dep, ap1, ap2, nombre)
               for i, (nombre, ap1, ap2, dep) in enumerate(EMPLEADOS)],
              "EMPLEADO",
              ["X_EMPLEADO", "F_TOMAPOS", "D_DEPARTAMENTO", "APELLIDO1", "APELLIDO2", "NOMBRE"])
    doc.grupo("DEPENDENCIAS", DEPENDENCIAS, "DEPENDENCIA", ["X_DEPENDENCIA", "D_DEPENDENCIA"])
    doc.grupo("UNIDADES", UNIDADES, "UNIDAD", ["X_UNIDAD", "T_NOMBRE", "X_OFERTAMATRIG"])
    doc.grupo("TRAMOS_HORARIOS", TRAMOS, "TRAMO", ["X_TRAMO", "T_HORCEN", "N_INICIO", "N_FIN"])
    doc.cerrar("BLOQUE_DATOS")
    doc.cerrar("SERVICIO")
    return doc.texto()


def base():
    doc = Escritor()
    cabecera(doc, "IMPORTACION")
    doc.abrir("grupo_datos", seq="CENTRO", registros=0)
    doc.dato("X_CENTRO", CODIGO_CENTRO)
    doc.dato("D_CENTRO", CENTRO)
    doc.cerrar("grupo_datos")
    doc.cerrar("BLOQUE_DATOS")
    doc.cerrar("SERVICIO")
    return doc.texto()


def main():
    carpeta = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "data", "centro")
    os.makedirs(carpeta, exist_ok=True)
    for nombre, texto in (("centro.xml", centro()), ("base.xml", base())):
        with open(os.path.join(carpeta, nombre), "w", encoding="utf-8", newline="\n") as f:
            f.write(texto)


if __name__ == "__main__":
    main()
