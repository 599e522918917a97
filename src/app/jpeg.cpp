#include "app/jpeg.hpp"

#include <jpeglib.h>

#include <QFile>
#include <QtGlobal>
#include <csetjmp>
#include <cstdio>
#include <string>

#include "text/cp1252.hpp"
#include "text/erros.hpp"

// The pictures are compiled into the program's static library; its resources are
// registered by hand before the first picture is read.
static void RegistrarRecursosImagens() {
#ifdef NIVORA_RECURSOS
  static const bool registrados = [] {
    Q_INIT_RESOURCE(nivora);
#ifdef NIVORA_ILUSTRACAO
    Q_INIT_RESOURCE(ilustracao);
#endif
    return true;
  }();
  (void)registrados;
#endif
}

namespace {

// Largest side accepted, in pixels: far above any picture of the program, and small
// enough that a forged header cannot ask for gigabytes.
constexpr JDIMENSION kLadoMaximoPx = 16384;

const char* const kPrefixoErro = "Imagem JPEG inv\xE1lida: ";

// libjpeg reports faults through this manager: the message is kept and control jumps
// back to the decoding routine instead of ending the process.
struct GerenteErro {
  jpeg_error_mgr base;
  std::jmp_buf salto;
  char mensagem[JMSG_LENGTH_MAX];
};

void SaltarNoErro(j_common_ptr info) {
  auto* gerente = reinterpret_cast<GerenteErro*>(info->err);
  (*info->err->format_message)(info, gerente->mensagem);
  std::longjmp(gerente->salto, 1);
}

// Level -1 is a warning about corrupt data (a truncated stream, a bad marker): the
// decoder would go on and fill the rest with grey, so it is treated as a fault.
void TratarAviso(j_common_ptr info, int nivel) {
  if (nivel < 0) SaltarNoErro(info);
}

void Silenciar(j_common_ptr) {}

// Decodes into *imagem. Holds no object with a destructor between setjmp and any
// longjmp, so the jump skips nothing. Returns false with gerente.mensagem filled in.
bool DecodificarEm(const unsigned char* bytes, unsigned long tamanho, QImage* imagem,
                   GerenteErro& gerente) {
  jpeg_decompress_struct info;
  info.err = jpeg_std_error(&gerente.base);
  gerente.base.error_exit = SaltarNoErro;
  gerente.base.emit_message = TratarAviso;
  gerente.base.output_message = Silenciar;
  gerente.mensagem[0] = '\0';
  if (setjmp(gerente.salto) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes, tamanho);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_width > kLadoMaximoPx || info.output_height > kLadoMaximoPx ||
      info.output_components != 3) {
    std::snprintf(gerente.mensagem, sizeof gerente.mensagem, "tamanho %ux%u n\xE3o suportado",
                  info.output_width, info.output_height);
    jpeg_destroy_decompress(&info);
    return false;
  }
  *imagem = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
  if (imagem->isNull()) {
    std::snprintf(gerente.mensagem, sizeof gerente.mensagem, "mem\xF3ria insuficiente");
    jpeg_destroy_decompress(&info);
    return false;
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW linha = imagem->scanLine(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &linha, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

QImage DecodificarJpeg(const QByteArray& dados) {
  if (dados.isEmpty()) throw nivora::ErroNivora(std::string(kPrefixoErro) + "arquivo vazio");
  QImage imagem;
  GerenteErro gerente;
  const bool ok = DecodificarEm(reinterpret_cast<const unsigned char*>(dados.constData()),
                                static_cast<unsigned long>(dados.size()), &imagem, gerente);
  if (!ok) {
    imagem = QImage();
    throw nivora::ErroNivora(std::string(kPrefixoErro) + gerente.mensagem);
  }
  return imagem;
}

QImage CarregarJpeg(const QString& caminho) {
  RegistrarRecursosImagens();
  QFile arquivo(caminho);
  if (!arquivo.open(QIODevice::ReadOnly)) {
    const QByteArray nome = caminho.toUtf8();
    throw nivora::ErroNivora("N\xE3o foi poss\xEDvel ler a imagem \"" +
                             nivora::Utf8ParaCp1252(std::string_view(
                                 nome.constData(), static_cast<size_t>(nome.size()))) +
                             "\".");
  }
  return DecodificarJpeg(arquivo.readAll());
}
