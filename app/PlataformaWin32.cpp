#ifdef _WIN32

#include "app/PlataformaWin32.h"

#include <commdlg.h>
#include <htmlhelp.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "app/Textos.h"
#include "tables/ArchivoTabla.h"

namespace transzorvos {
namespace {

namespace fs = std::filesystem;

constexpr wchar_t kClaseVentana[] = L"TMForm";
constexpr wchar_t kTituloVentana[] = L"Exportar e importar datos entre Zorvan y Odrana";
constexpr wchar_t kTextoExportar[] = L"Transformar datos desde Odrana hacia Zorvan ";
constexpr wchar_t kTextoImportar[] = L"Transformar datos desde Zorvan hacia Odrana";
constexpr wchar_t kTextoVersion[] = L"TransZorvanOdrana V-1.4";
constexpr wchar_t kCarpetaTrabajo[] = L"C:\\QTEMP";
constexpr wchar_t kCarpetaDialogo[] = L"c:\\qtemp\\odrana";

// Destroying the window is posted, so a run that closes the form from inside
// a button's notification never destroys that button under its own feet.
constexpr UINT kMsgDestruir = WM_APP + 1;

// Control ids, and the controls in tab order.
enum IdControl : int { kIdSalir = 101, kIdAyuda, kIdExportar, kIdImportar };

struct Rect96 {
  int x, y, ancho, alto;
};

// Places at 96 dpi in the client area (the panels' controls already offset by
// their panel's place).
constexpr Rect96 kCliente = {0, 0, 632, 266};
constexpr Rect96 kPanelExportar = {1, 0, 315, 169};    // Draw3D2
constexpr Rect96 kPanelImportar = {316, 0, 317, 169};  // Draw3D3
constexpr Rect96 kPanelInferior = {0, 168, 633, 97};   // Draw3D1
constexpr Rect96 kEtiquetaExportar = {1 + 24, 24, 265, 57};
constexpr Rect96 kEtiquetaImportar = {316 + 8, 24, 305, 57};
constexpr int kVersionX = 0 + 8, kVersionY = 168 + 72;

struct Boton {
  int id;
  const wchar_t* texto;
  Rect96 lugar;
  bool porDefecto;
};
const Boton kBotones[4] = {
    {kIdSalir, L"&Salir", {0 + 256, 168 + 32, 89, 25}, false},
    {kIdAyuda, L"F1 AYUDA", {0 + 264, 168 + 67, 75, 19}, false},
    {kIdExportar, L"Aceptar", {1 + 96, 120, 89, 25}, true},
    {kIdImportar, L"Aceptar", {316 + 96, 120, 89, 25}, true},
};

struct Degradado {
  COLORREF arriba, centro, abajo;
};
constexpr Degradado kDegradadoTrabajos = {RGB(255, 238, 221), RGB(255, 255, 255),
                                          RGB(249, 211, 125)};
constexpr Degradado kDegradadoInferior = {RGB(204, 216, 230), RGB(207, 242, 254),
                                          RGB(194, 205, 254)};

// A user32 function that older Windows lacks, or nullptr.
template <typename F>
F FuncionUser32(const char* nombre) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  FARPROC f = user32 ? GetProcAddress(user32, nombre) : nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(f));
}

UINT DpiSistema() {
  if (auto f = FuncionUser32<UINT(WINAPI*)()>("GetDpiForSystem")) return f();
  HDC pantalla = GetDC(nullptr);
  const int dpi = GetDeviceCaps(pantalla, LOGPIXELSY);
  ReleaseDC(nullptr, pantalla);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT DpiVentana(HWND ventana) {
  if (auto f = FuncionUser32<UINT(WINAPI*)(HWND)>("GetDpiForWindow")) {
    const UINT dpi = f(ventana);
    if (dpi != 0) return dpi;
  }
  return DpiSistema();
}

void AjustarMarco(RECT* r, DWORD estilo, DWORD estiloExt, UINT dpi) {
  using F = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  if (auto f = FuncionUser32<F>("AdjustWindowRectExForDpi")) {
    if (f(r, estilo, FALSE, estiloExt, dpi)) return;
  }
  AdjustWindowRectEx(r, estilo, FALSE, estiloExt);
}

HWND AVentana(std::uint32_t manejador) {
  // Window handles are 32-bit values, sign-extended on 64-bit Windows.
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(manejador)));
}

HFONT CrearFuente(const wchar_t* nombre, int puntos, bool negrita, UINT dpi) {
  return CreateFontW(-MulDiv(puntos, static_cast<int>(dpi), 72), 0, 0, 0,
                     negrita ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, nombre);
}

// The buttons' glyphs, drawn here as anti-aliased strokes on a 16-unit grid.
struct Trazo {
  float x0, y0, x1, y1;
};

float DistanciaASegmento(float px, float py, const Trazo& t) {
  const float dx = t.x1 - t.x0, dy = t.y1 - t.y0;
  const float largo2 = dx * dx + dy * dy;
  float u = largo2 > 0 ? ((px - t.x0) * dx + (py - t.y0) * dy) / largo2 : 0;
  u = std::clamp(u, 0.0f, 1.0f);
  const float cx = t.x0 + u * dx - px, cy = t.y0 + u * dy - py;
  return std::sqrt(cx * cx + cy * cy);
}

HICON CrearGlifo(const std::vector<Trazo>& trazos, float grosor, COLORREF color, int lado) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = lado;
  bi.bmiHeader.biHeight = -lado;  // top-down rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP colorBmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!colorBmp || !bits) return nullptr;

  const float escala = static_cast<float>(lado) / 16.0f;
  auto* pixeles = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < lado; ++y) {
    for (int x = 0; x < lado; ++x) {
      // Pixel centre in grid units.
      const float gx = (static_cast<float>(x) + 0.5f) / escala;
      const float gy = (static_cast<float>(y) + 0.5f) / escala;
      float d = 1e9f;
      for (const Trazo& t : trazos) d = std::min(d, DistanciaASegmento(gx, gy, t));
      const float cobertura = std::clamp((grosor / 2 - d) * escala + 0.5f, 0.0f, 1.0f);
      const auto alfa = static_cast<std::uint32_t>(std::lround(cobertura * 255.0f));
      pixeles[y * lado + x] = (alfa << 24) | (static_cast<std::uint32_t>(GetRValue(color)) << 16) |
                              (static_cast<std::uint32_t>(GetGValue(color)) << 8) |
                              GetBValue(color);
    }
  }
  // The alpha channel decides; the AND mask stays clear.
  std::vector<BYTE> ceros(static_cast<std::size_t>((lado + 15) / 16 * 2 * lado), 0);
  HBITMAP mascara = CreateBitmap(lado, lado, 1, 1, ceros.data());
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = mascara;
  info.hbmColor = colorBmp;
  HICON icono = mascara ? CreateIconIndirect(&info) : nullptr;
  if (mascara) DeleteObject(mascara);
  DeleteObject(colorBmp);
  return icono;
}

HICON CrearGlifoAceptar(int lado) {
  return CrearGlifo({{3.0f, 8.5f, 6.5f, 12.0f}, {6.5f, 12.0f, 13.0f, 4.0f}}, 2.4f, RGB(0, 128, 0),
                    lado);
}

HICON CrearGlifoSalir(int lado) {
  return CrearGlifo({{4.0f, 4.0f, 12.0f, 12.0f}, {12.0f, 4.0f, 4.0f, 12.0f}}, 2.2f, RGB(176, 0, 0),
                    lado);
}

COLORREF Mezcla(COLORREF a, COLORREF b, int paso, int pasos) {
  auto canal = [&](int ca, int cb) { return ca + (cb - ca) * paso / std::max(pasos, 1); };
  return RGB(canal(GetRValue(a), GetRValue(b)), canal(GetGValue(a), GetGValue(b)),
             canal(GetBValue(a), GetBValue(b)));
}

// A vertical three-colour gradient: top edge, middle, bottom edge.
void PintarDegradado(HDC dc, const RECT& r, const Degradado& g) {
  const int alto = r.bottom - r.top;
  if (alto <= 0) return;
  const int mitad = alto / 2;
  HGDIOBJ anterior = SelectObject(dc, GetStockObject(DC_BRUSH));
  for (int y = 0; y < alto; ++y) {
    const COLORREF c = y < mitad ? Mezcla(g.arriba, g.centro, y, mitad)
                                 : Mezcla(g.centro, g.abajo, y - mitad, alto - 1 - mitad);
    SetDCBrushColor(dc, c);
    PatBlt(dc, r.left, r.top + y, r.right - r.left, 1, PATCOPY);
  }
  SelectObject(dc, anterior);
}

}  // namespace

std::wstring Ancho(std::string_view texto) {
  if (texto.empty()) return {};
  const int n = static_cast<int>(texto.size());
  UINT pagina = CP_UTF8;
  int largo = MultiByteToWideChar(pagina, MB_ERR_INVALID_CHARS, texto.data(), n, nullptr, 0);
  if (largo <= 0) {
    pagina = CP_ACP;
    largo = MultiByteToWideChar(pagina, 0, texto.data(), n, nullptr, 0);
  }
  if (largo <= 0) return {};
  std::wstring r(static_cast<std::size_t>(largo), L'\0');
  MultiByteToWideChar(pagina, pagina == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0, texto.data(), n,
                      r.data(), largo);
  return r;
}

PlataformaWin32::PlataformaWin32(HINSTANCE instancia) : instancia_(instancia) {}

PlataformaWin32::~PlataformaWin32() {
  if (htmlHelp_) {
    using F = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
    reinterpret_cast<F>(reinterpret_cast<void (*)()>(htmlHelp_))(nullptr, nullptr, HH_CLOSE_ALL, 0);
  }
  if (ventana_) DestroyWindow(ventana_);
  LiberarRecursos();
  // hhctrl.ocx stays loaded: its viewer threads may outlive the call above.
}

bool PlataformaWin32::CrearVentana(TMForm& form) {
  form_ = &form;
  WNDCLASSEXW clase{};
  clase.cbSize = sizeof clase;
  clase.lpfnWndProc = &PlataformaWin32::ProcVentana;
  clase.hInstance = instancia_;
  clase.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  clase.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  clase.lpszClassName = kClaseVentana;
  RegisterClassExW(&clase);

  DWORD estilo = WS_CLIPCHILDREN;
  DWORD estiloExt = WS_EX_CONTROLPARENT;
  if (anfitrion_) {
    estilo |= WS_CHILD | WS_CLIPSIBLINGS;
  } else if (sinBorde_) {
    estilo |= WS_POPUP;
  } else {
    // Fixed dialog border: caption with a close box only, not resizable.
    estilo |= WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    estiloExt |= WS_EX_DLGMODALFRAME;
  }
  dpi_ = DpiSistema();
  RECT marco = {0, 0, Escala(kCliente.ancho), Escala(kCliente.alto)};
  if (!anfitrion_ && !sinBorde_) AjustarMarco(&marco, estilo, estiloExt, dpi_);
  const int ancho = marco.right - marco.left, alto = marco.bottom - marco.top;
  // Screen-centred, never above or left of the origin; when docked, the same
  // coordinates count in the host's client area.
  const int x = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - ancho) / 2);
  const int y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - alto) / 2);

  ventana_ = CreateWindowExW(estiloExt, kClaseVentana, kTituloVentana, estilo, x, y, ancho, alto,
                             anfitrion_, nullptr, instancia_, this);
  if (!ventana_) {
    MensajeError("No se pudo crear la ventana principal del programa.");
    return false;
  }
  for (int i = 0; i < 4; ++i) {
    const Boton& b = kBotones[i];
    DWORD estiloBoton = WS_CHILD | WS_VISIBLE | WS_TABSTOP |
                        (b.porDefecto ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (i == 0 ? WS_GROUP : 0);
    botones_[i] =
        CreateWindowExW(0, L"BUTTON", b.texto, estiloBoton, 0, 0, 0, 0, ventana_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(b.id)), instancia_, nullptr);
  }
  // The monitor's DPI may differ from the system's: lay out and size the
  // frame for the one the window is on.
  Disponer(DpiVentana(ventana_));
  RECT r = {0, 0, Escala(kCliente.ancho), Escala(kCliente.alto)};
  if (!anfitrion_ && !sinBorde_) AjustarMarco(&r, estilo, estiloExt, dpi_);
  SetWindowPos(ventana_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void PlataformaWin32::Disponer(UINT dpi) {
  dpi_ = dpi;
  HFONT fuente = CrearFuente(L"MS Shell Dlg", 8, false, dpi);
  HFONT etiqueta = CrearFuente(L"Arial", 12, true, dpi);
  HFONT version = CrearFuente(L"MS Shell Dlg", 8, true, dpi);
  const int lado = Escala(16);
  HICON aceptar = CrearGlifoAceptar(lado);
  HICON salir = CrearGlifoSalir(lado);
  for (int i = 0; i < 4; ++i) {
    const Rect96& l = kBotones[i].lugar;
    SetWindowPos(botones_[i], nullptr, Escala(l.x), Escala(l.y), Escala(l.ancho), Escala(l.alto),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(botones_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fuente), TRUE);
  }
  SendMessageW(botones_[0], BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(salir));
  SendMessageW(botones_[2], BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(aceptar));
  SendMessageW(botones_[3], BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(aceptar));
  LiberarRecursos();
  fuente_ = fuente;
  fuenteEtiqueta_ = etiqueta;
  fuenteVersion_ = version;
  glifoAceptar_ = aceptar;
  glifoSalir_ = salir;
  if (ventana_) InvalidateRect(ventana_, nullptr, TRUE);
}

void PlataformaWin32::LiberarRecursos() {
  for (HFONT* f : {&fuente_, &fuenteEtiqueta_, &fuenteVersion_}) {
    if (*f) DeleteObject(*f);
    *f = nullptr;
  }
  for (HICON* i : {&glifoAceptar_, &glifoSalir_}) {
    if (*i) DestroyIcon(*i);
    *i = nullptr;
  }
}

void PlataformaWin32::Mostrar(int modo) {
  if (!ventana_) return;
  ShowWindow(ventana_, anfitrion_ ? SW_SHOW : modo);
  UpdateWindow(ventana_);
  SetFocus(foco_ ? foco_ : botones_[0]);
}

int PlataformaWin32::BucleMensajes() {
  MSG msg{};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // Tab, the mnemonic of "&Salir" and Enter on a button, as in a dialog.
    if (ventana_ && IsDialogMessageW(ventana_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void PlataformaWin32::Pintar(HDC dc) const {
  auto lugar = [this](const Rect96& r) {
    return RECT{Escala(r.x), Escala(r.y), Escala(r.x + r.ancho), Escala(r.y + r.alto)};
  };
  RECT cliente;
  GetClientRect(ventana_, &cliente);
  FillRect(dc, &cliente, GetSysColorBrush(COLOR_BTNFACE));
  PintarDegradado(dc, lugar(kPanelExportar), kDegradadoTrabajos);
  PintarDegradado(dc, lugar(kPanelImportar), kDegradadoTrabajos);
  PintarDegradado(dc, lugar(kPanelInferior), kDegradadoInferior);

  const int modo = SetBkMode(dc, TRANSPARENT);
  HGDIOBJ anterior = SelectObject(dc, fuenteEtiqueta_);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT r = lugar(kEtiquetaExportar);
  DrawTextW(dc, kTextoExportar, -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  r = lugar(kEtiquetaImportar);
  DrawTextW(dc, kTextoImportar, -1, &r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, fuenteVersion_);
  SetTextColor(dc, RGB(255, 0, 0));
  TextOutW(dc, Escala(kVersionX), Escala(kVersionY), kTextoVersion,
           static_cast<int>(wcslen(kTextoVersion)));
  SelectObject(dc, anterior);
  SetBkMode(dc, modo);
}

LRESULT CALLBACK PlataformaWin32::ProcVentana(HWND ventana, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    auto* crear = reinterpret_cast<CREATESTRUCTW*>(l);
    auto* p = static_cast<PlataformaWin32*>(crear->lpCreateParams);
    p->ventana_ = ventana;
    SetWindowLongPtrW(ventana, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(p));
  }
  auto* p = reinterpret_cast<PlataformaWin32*>(GetWindowLongPtrW(ventana, GWLP_USERDATA));
  if (!p) return DefWindowProcW(ventana, msg, w, l);
  // No C++ exception may cross back into the system's code.
  try {
    return p->Procesar(msg, w, l);
  } catch (...) {
    return DefWindowProcW(ventana, msg, w, l);
  }
}

LRESULT PlataformaWin32::Procesar(UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(w) == BN_CLICKED && l != 0) Pulsado(LOWORD(w));
      return 0;
    case WM_HELP:
      if (form_ && !form_->Cerrado()) form_->AyudaF1();
      return TRUE;
    case WM_CLOSE:
      if (form_ && !form_->Cerrado()) form_->Cerrar();
      return 0;
    case kMsgDestruir:
      DestroyWindow(ventana_);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY: {
      HWND ventana = ventana_;
      SetWindowLongPtrW(ventana, GWLP_USERDATA, 0);
      ventana_ = nullptr;
      return DefWindowProcW(ventana, msg, w, l);
    }
    case WM_SETCURSOR:
      if (espera_) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(w) == WA_INACTIVE) {
        HWND f = GetFocus();
        if (f && IsChild(ventana_, f)) foco_ = f;
      }
      break;
    case WM_SETFOCUS:
      SetFocus(foco_ ? foco_ : botones_[0]);
      return 0;
    case WM_ERASEBKGND:
      // Also serves the themed buttons, which ask their parent for the
      // background behind their rounded corners.
      Pintar(reinterpret_cast<HDC>(w));
      return 1;
    case WM_PRINTCLIENT:
      Pintar(reinterpret_cast<HDC>(w));
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(ventana_, &ps);
      RECT cliente;
      GetClientRect(ventana_, &cliente);
      HDC memoria = CreateCompatibleDC(dc);
      HBITMAP lienzo = CreateCompatibleBitmap(dc, cliente.right, cliente.bottom);
      if (memoria && lienzo) {
        HGDIOBJ anterior = SelectObject(memoria, lienzo);
        Pintar(memoria);
        BitBlt(dc, 0, 0, cliente.right, cliente.bottom, memoria, 0, 0, SRCCOPY);
        SelectObject(memoria, anterior);
      } else {
        Pintar(dc);
      }
      if (lienzo) DeleteObject(lienzo);
      if (memoria) DeleteDC(memoria);
      EndPaint(ventana_, &ps);
      return 0;
    }
    case WM_DPICHANGED: {
      Disponer(HIWORD(w));
      const RECT* sugerido = reinterpret_cast<const RECT*>(l);
      SetWindowPos(ventana_, nullptr, sugerido->left, sugerido->top,
                   sugerido->right - sugerido->left, sugerido->bottom - sugerido->top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(ventana_, msg, w, l);
}

void PlataformaWin32::Pulsado(int id) {
  if (!form_ || form_->Cerrado()) return;
  switch (id) {
    case kIdSalir:
      form_->Cerrar();
      break;
    case kIdAyuda:
      form_->Atender(&TMForm::Button1Click);
      break;
    case kIdExportar:
      form_->Atender(&TMForm::BExportarClick);
      break;
    case kIdImportar:
      form_->Atender(&TMForm::BImportarClick);
      break;
    default:
      break;
  }
}

std::vector<std::string> PlataformaWin32::Argumentos() const {
  std::vector<std::string> r;
  int n = 0;
  LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &n);
  if (!args) return r;
  for (int i = 1; i < n; ++i) r.push_back(Utf8DeUtf16(args[i]));
  LocalFree(args);
  return r;
}

std::optional<fs::path> PlataformaWin32::DialogoAbrir() {
  std::vector<wchar_t> fichero(32768, L'\0');
  if (ultimoFichero_.size() < fichero.size())
    std::copy(ultimoFichero_.begin(), ultimoFichero_.end(), fichero.begin());
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = ventana_;
  ofn.lpstrFilter = L"*.xml\0*.xml\0";
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = fichero.data();
  ofn.nMaxFile = static_cast<DWORD>(fichero.size());
  ofn.lpstrInitialDir = kCarpetaDialogo;
  ofn.lpstrTitle = L"Archivo XML";
  ofn.lpstrDefExt = L"xml";
  // The file need not exist (the runs test it); no OFN_NOCHANGEDIR.
  ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  if (!GetOpenFileNameW(&ofn)) return std::nullopt;
  ultimoFichero_ = fichero.data();
  fs::path elegido(ultimoFichero_);
  // The base document of the import is looked up in the chosen file's
  // folder; make sure it is the current one whatever the dialog did.
  SetCurrentDirectoryW(elegido.parent_path().c_str());
  return elegido;
}

bool PlataformaWin32::ExisteFichero(const fs::path& fichero) const {
  if (fichero.empty()) return false;
  const DWORD atributos = GetFileAttributesW(fichero.c_str());
  return atributos != INVALID_FILE_ATTRIBUTES && !(atributos & FILE_ATTRIBUTE_DIRECTORY);
}

void PlataformaWin32::Mensaje(std::string_view texto) {
  MessageBoxW(ventana_, Ancho(texto).c_str(), Ancho(kTituloAplicacion).c_str(), MB_OK);
}

void PlataformaWin32::MensajeError(std::string_view texto) {
  MessageBoxW(ventana_, Ancho(texto).c_str(), Ancho(kTituloAplicacion).c_str(),
              MB_OK | MB_ICONERROR);
}

void PlataformaWin32::PonerCursor(CursorPantalla cursor) {
  espera_ = cursor == CursorPantalla::Espera;
  SetCursor(LoadCursorW(nullptr, espera_ ? IDC_WAIT : IDC_ARROW));
}

bool PlataformaWin32::EsVentana(std::uint32_t ventana) const {
  return IsWindow(AVentana(ventana)) != FALSE;
}

void PlataformaWin32::Acoplar(std::uint32_t ventana) {
  anfitrion_ = AVentana(ventana);
}

void PlataformaWin32::CerrarVentana() {
  if (ventana_)
    PostMessageW(ventana_, kMsgDestruir, 0, 0);
  else
    PostQuitMessage(0);
}

void PlataformaWin32::EscribirEntero(const fs::path& fichero, std::string_view seccion,
                                     std::string_view clave, int valor) {
  const std::wstring texto = std::to_wstring(valor);
  if (!WritePrivateProfileStringW(Ancho(seccion).c_str(), Ancho(clave).c_str(), texto.c_str(),
                                  fichero.c_str()))
    throw std::runtime_error("No se pudo escribir el fichero de ajustes " + TextoRuta(fichero));
}

void PlataformaWin32::Ayuda(const fs::path& fichero, UINT orden, DWORD_PTR dato) {
  if (!hhctrlProbado_) {
    hhctrlProbado_ = true;
    hhctrl_ = LoadLibraryW(L"hhctrl.ocx");
    if (hhctrl_) htmlHelp_ = GetProcAddress(hhctrl_, "HtmlHelpW");
  }
  if (!htmlHelp_) return;  // no help viewer on this system: help does nothing
  // "\zorvdr\..." is taken from the root of the current drive.
  wchar_t completo[MAX_PATH * 4];
  const DWORD n =
      GetFullPathNameW(fichero.c_str(), static_cast<DWORD>(std::size(completo)), completo, nullptr);
  const std::wstring ruta = (n > 0 && n < std::size(completo)) ? completo : fichero.native();
  using F = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  reinterpret_cast<F>(reinterpret_cast<void (*)()>(htmlHelp_))(ventana_, ruta.c_str(), orden, dato);
}

void PlataformaWin32::AyudaContenido(const fs::path& fichero) {
  Ayuda(fichero, HH_DISPLAY_TOC, 0);
}

void PlataformaWin32::AyudaContexto(const fs::path& fichero, int contexto) {
  Ayuda(fichero, HH_HELP_CONTEXT, static_cast<DWORD_PTR>(contexto));
}

fs::path PlataformaWin32::CarpetaEjecutable() const {
  std::vector<wchar_t> ruta(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, ruta.data(), static_cast<DWORD>(ruta.size()));
    if (n == 0) return fs::path();
    if (n < ruta.size()) return fs::path(std::wstring(ruta.data(), n)).parent_path();
    ruta.resize(ruta.size() * 2);
  }
}

fs::path PlataformaWin32::CarpetaTrabajo() const {
  return fs::path(kCarpetaTrabajo);
}

}  // namespace transzorvos

#endif  // _WIN32
