// The titles as the window system receives them (_NET_WM_NAME), read back from a
// real X server (run under xvfb-run with the xcb platform): nothing may be appended
// to the exact captions of the main window, the auxiliary windows and the boxes.
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "app/About.hpp"
#include "app/frmIlustra.hpp"
#include "app/inicio.hpp"
#include "app/map.hpp"
#include "app/plataforma.hpp"

namespace {

xcb_atom_t Atomo(xcb_connection_t* conexao, const char* nome) {
  const xcb_intern_atom_cookie_t pedido =
      xcb_intern_atom(conexao, 0, static_cast<std::uint16_t>(std::strlen(nome)), nome);
  std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> resposta(
      xcb_intern_atom_reply(conexao, pedido, nullptr), &std::free);
  return resposta ? resposta->atom : xcb_atom_t{XCB_ATOM_NONE};
}

/// The _NET_WM_NAME property of the window's native X window.
QString TituloNoServidor(QWidget* janela) {
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || janela == nullptr) return QStringLiteral("<sem X11>");
  xcb_connection_t* conexao = x11->connection();
  const xcb_get_property_cookie_t pedido =
      xcb_get_property(conexao, 0, static_cast<xcb_window_t>(janela->winId()),
                       Atomo(conexao, "_NET_WM_NAME"), Atomo(conexao, "UTF8_STRING"), 0, 4096);
  std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> resposta(
      xcb_get_property_reply(conexao, pedido, nullptr), &std::free);
  if (!resposta) return QStringLiteral("<sem propriedade>");
  return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(resposta.get())),
                           xcb_get_property_value_length(resposta.get()));
}

/// The real Qt platform, without the lock file of the running program.
class PlataformaSemTrava : public nivora::PlataformaQt {
 public:
  nivora::EstadoTrava TravarInstancia() override { return nivora::EstadoTrava::Obtida; }
};

}  // namespace

class TesteTitulos : public QObject {
  Q_OBJECT

 private slots:
  void exactTitlesOnTheServer() {
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    PlataformaSemTrava plataforma;
    // Every title a box of the program carries, shown by the real platform layer.
    const std::vector<std::string> titulos = {"Error",           "Warning",
                                              "Salvar um ponto", "Sobrescrever Arquivo.",
                                              "NIVORA2015",      "NIVORA2015 v1.0"};
    std::vector<std::pair<QString, QString>> vistos;  // expected, received

    QTimer::singleShot(0, [&] {
      TForm1* janela = nullptr;
      for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* f = qobject_cast<TForm1*>(w)) janela = f;
      if (janela == nullptr) return QApplication::exit(1);
      vistos.emplace_back(QString::fromUtf8("QIRA - NIVORA2015 - Versão 1.0 "),
                          TituloNoServidor(janela));
      for (const std::string& titulo : titulos) {
        QTimer espera;
        QObject::connect(&espera, &QTimer::timeout, [&] {
          if (QWidget* caixa = QApplication::activeModalWidget()) {
            vistos.emplace_back(QString::fromStdString(titulo), TituloNoServidor(caixa));
            espera.stop();
            caixa->close();
          }
        });
        espera.start(20);
        plataforma.MostrarMensagem(
            {nivora::TipoMensagem::Informacao, titulo, titulo, {{nivora::Resposta::Ok, {}}}});
      }
      janela->findChild<QAction*>("N11")->trigger();
      vistos.emplace_back(QString::fromUtf8("Ondulação Geoidal"),
                          TituloNoServidor(janela->Ilustracao()));
      janela->findChild<QAction*>("Sobre1")->trigger();
      vistos.emplace_back(QStringLiteral("NIVORA2010"), TituloNoServidor(janela->Sobre()));
      janela->close();
    });
    QCOMPARE(nivora::ExecutarPrograma(*qApp, plataforma, "titulos_x11"), 0);

    QCOMPARE(vistos.size(), titulos.size() + 3);
    for (const auto& [esperado, recebido] : vistos) QCOMPARE(recebido, esperado);
  }
};

QTEST_MAIN(TesteTitulos)
#include "titulos_x11.moc"
