// The native part of the Python module (nivora2015._nivora2015): the public library's
// block queries over NumPy arrays of any shape and strides, broadcast against each
// other, computed without the GIL on several threads. Only the public header is used.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <exception>
#include <limits>
#include <nivora2015/nivora2015.hpp>
#include <string>
#include <thread>
#include <vector>

namespace py = pybind11;
namespace nv = nivora2015;

namespace {

// Points per call into the library: the scratch of one thread is a few of these blocks.
constexpr std::size_t kBloco = 4096;
// Below this many points per thread another thread costs more than it gives.
constexpr std::size_t kMinimoPorThread = 32768;
constexpr std::size_t kSemRecusa = std::numeric_limits<std::size_t>::max();

// The first refused point of a range: its position in the result and its code.
struct Recusa {
  std::size_t posicao = kSemRecusa;
  std::int32_t codigo = 0;
};

// What is asked (the first argument of _Nucleo.calcular).
enum class Pedido : int { Ondulacao = 0, AlturaOrtometrica = 1, AlturaElipsoidal = 2 };

// The exception of a refused point, a ValueError (created at import).
PyObject* gPontoRecusado = nullptr;

[[noreturn]] void LevantarRecusa(std::int32_t codigo, const std::string& mensagem,
                                 py::object indice) {
  py::object erro = py::reinterpret_borrow<py::object>(gPontoRecusado)(mensagem);
  erro.attr("codigo") = codigo;
  erro.attr("indice") = std::move(indice);
  PyErr_SetObject(gPontoRecusado, erro.ptr());
  throw py::error_already_set();
}

std::string TextoForma(const std::vector<py::ssize_t>& forma) {
  std::string texto = "(";
  for (std::size_t k = 0; k < forma.size(); ++k)
    texto += std::to_string(forma[k]) + (forma.size() == 1      ? ","
                                         : k + 1 < forma.size() ? ", "
                                                                : "");
  return texto + ")";
}

// One argument as a float64 array: float64 as it is, other real numbers converted,
// anything else refused.
py::array ComoFloat64(const py::handle& objeto, const char* nome) {
  // Kept for the life of the process (a static py::object would be released after
  // the interpreter has gone).
  static PyObject* const asarray =
      py::object(py::module_::import("numpy").attr("asarray")).release().ptr();
  py::array a = py::reinterpret_borrow<py::object>(asarray)(objeto);
  if (py::isinstance<py::array_t<double>>(a)) return a;
  const char tipo = a.dtype().kind();
  if (tipo == 'f' || tipo == 'i' || tipo == 'u') return a.attr("astype")(py::dtype::of<double>());
  throw py::type_error(std::string(nome) + ": o tipo " + py::str(a.dtype()).cast<std::string>() +
                       " não é aceito; coordenadas e alturas são números reais (float64; " +
                       "inteiros e outros float são convertidos)");
}

// One argument broadcast to the result's shape: where its values are and the step in
// bytes along each axis of the result (0 along an axis it is broadcast on).
struct Entrada {
  explicit Entrada(py::array a) : array(std::move(a)) {}
  py::array array;
  const char* dados = nullptr;
  std::vector<py::ssize_t> passos;
  bool emLugar = false;  // C-contiguous, aligned and of the result's shape: read in place
};

// Copies the points [inicio, inicio + n) of the result, in C order, to `destino`, or
// gives them in place. Unaligned data are copied byte by byte.
const double* Ler(const Entrada& e, const std::vector<py::ssize_t>& forma, std::size_t inicio,
                  std::size_t n, double* destino) {
  if (e.emLugar) return reinterpret_cast<const double*>(e.dados) + inicio;
  const std::size_t eixos = forma.size();
  std::vector<py::ssize_t> indice(eixos);
  py::ssize_t desvio = 0;  // bytes from the array's start to the point
  std::size_t resto = inicio;
  for (std::size_t k = eixos; k-- > 0;) {
    indice[k] = static_cast<py::ssize_t>(resto % static_cast<std::size_t>(forma[k]));
    resto /= static_cast<std::size_t>(forma[k]);
    desvio += indice[k] * e.passos[k];
  }
  for (std::size_t j = 0; j < n; ++j) {
    std::memcpy(destino + j, e.dados + desvio, sizeof(double));
    // The next point: the last axis moves fastest.
    for (std::size_t k = eixos; k-- > 0;) {
      desvio += e.passos[k];
      if (++indice[k] < forma[k]) break;
      desvio -= e.passos[k] * forma[k];
      indice[k] = 0;
    }
  }
  return destino;
}

// The arguments broadcast against each other (NumPy's rule), or ValueError.
std::vector<py::ssize_t> Difundir(std::vector<Entrada>& entradas, const char* nomes) {
  std::size_t eixos = 0;
  for (const Entrada& e : entradas)
    eixos = std::max(eixos, static_cast<std::size_t>(e.array.ndim()));
  std::vector<py::ssize_t> forma(eixos, 1);
  for (const Entrada& e : entradas) {
    const std::size_t desvio = eixos - static_cast<std::size_t>(e.array.ndim());
    for (py::ssize_t k = 0; k < e.array.ndim(); ++k) {
      const py::ssize_t d = e.array.shape(k);
      py::ssize_t& r = forma[desvio + static_cast<std::size_t>(k)];
      if (d == r || d == 1) continue;
      if (r != 1) {
        std::string formas;
        for (const Entrada& f : entradas)
          formas += (formas.empty() ? "" : " e ") +
                    TextoForma(std::vector<py::ssize_t>(f.array.shape(),
                                                        f.array.shape() + f.array.ndim()));
        throw py::value_error(std::string(nomes) + ": as formas " + formas +
                              " não se combinam (broadcast do NumPy)");
      }
      r = d;
    }
  }
  for (Entrada& e : entradas) {
    const std::size_t desvio = eixos - static_cast<std::size_t>(e.array.ndim());
    e.passos.assign(eixos, 0);
    for (py::ssize_t k = 0; k < e.array.ndim(); ++k)
      if (e.array.shape(k) == forma[desvio + static_cast<std::size_t>(k)] && e.array.shape(k) > 1)
        e.passos[desvio + static_cast<std::size_t>(k)] = e.array.strides(k);
    e.dados = static_cast<const char*>(e.array.data());
    e.emLugar = static_cast<std::size_t>(e.array.ndim()) == eixos &&
                std::equal(forma.begin(), forma.end(), e.array.shape()) &&
                (e.array.flags() & py::array::c_style) != 0 &&
                reinterpret_cast<std::uintptr_t>(e.dados) % alignof(double) == 0;
  }
  return forma;
}

unsigned Nucleos() {
  cpu_set_t conjunto;
  if (sched_getaffinity(0, sizeof conjunto, &conjunto) == 0)
    return std::max(1, CPU_COUNT(&conjunto));
  return std::max(1u, std::thread::hardware_concurrency());
}

// One query over the points of the result: which, on what, into where.
struct Trabalho {
  Pedido pedido;
  const nv::Grade* grade;
  const std::vector<Entrada>* entradas;
  const std::vector<py::ssize_t>* forma;
  double* saida;
  std::int32_t* codigos;     // the caller's array, or null (each thread's scratch then)
  double* saidaN = nullptr;  // with a height: N and its codes too, in the same pass
  std::int32_t* codigosN = nullptr;
};

// Blocks of the `total` points, taken in turn from `proximo` until none is left (a
// thread that gets more of the machine does more of them); the first refused point of
// the blocks it did, if any.
Recusa Blocos(const Trabalho& t, std::size_t total, std::atomic<std::size_t>& proximo) {
  const std::vector<Entrada>& e = *t.entradas;
  std::vector<double> copia(e.size() * kBloco);
  std::vector<std::int32_t> rascunho(t.codigos ? 0 : kBloco);
  Recusa primeira;
  for (std::size_t a; (a = proximo.fetch_add(kBloco)) < total;) {
    const std::size_t n = std::min(kBloco, total - a);
    const double* lat = Ler(e[0], *t.forma, a, n, copia.data());
    const double* lon = Ler(e[1], *t.forma, a, n, copia.data() + kBloco);
    std::int32_t* codigos = t.codigos ? t.codigos + a : rascunho.data();
    nv::Contagem c;
    if (t.pedido == Pedido::Ondulacao) {
      c = t.grade->Ondulacoes(lat, lon, n, t.saida + a, codigos, 1);
    } else {
      const double* altura = Ler(e[2], *t.forma, a, n, copia.data() + 2 * kBloco);
      const nv::Altura tipo =
          t.pedido == Pedido::AlturaOrtometrica ? nv::Altura::Elipsoidal : nv::Altura::Ortometrica;
      c = t.saidaN != nullptr
              ? t.grade->OutrasAlturas(lat, lon, altura, n, tipo, t.saida + a, codigos,
                                       t.saidaN + a, t.codigosN + a, 1)
              : t.grade->OutrasAlturas(lat, lon, altura, n, tipo, t.saida + a, codigos, 1);
    }
    if (c.recusados != 0 && primeira.posicao == kSemRecusa) {
      const std::int32_t* r =
          std::find_if(codigos, codigos + n, [](std::int32_t x) { return x != 0; });
      primeira = {a + static_cast<std::size_t>(r - codigos), *r};
    }
  }
  return primeira;
}

// The points over up to `threads` threads (this one among them); the first refused point.
Recusa Dividir(const Trabalho& t, std::size_t n, unsigned threads) {
  const std::size_t partes =
      std::max<std::size_t>(1, std::min<std::size_t>(threads, n / kMinimoPorThread));
  std::vector<Recusa> primeiras(partes);
  std::vector<std::exception_ptr> erros(partes);
  std::atomic<std::size_t> proximo{0};
  auto parte = [&](std::size_t k) {
    try {
      primeiras[k] = Blocos(t, n, proximo);
    } catch (...) {
      erros[k] = std::current_exception();
      proximo = n;  // the others stop after their block
    }
  };
  std::vector<std::thread> outras;
  outras.reserve(partes - 1);
  for (std::size_t k = 1; k < partes; ++k) outras.emplace_back(parte, k);
  parte(0);
  for (std::thread& o : outras) o.join();
  for (const std::exception_ptr& erro : erros)
    if (erro) std::rethrow_exception(erro);
  return *std::min_element(primeiras.begin(), primeiras.end(),
                           [](const Recusa& a, const Recusa& b) { return a.posicao < b.posicao; });
}

py::tuple IndiceDe(std::size_t posicao, const std::vector<py::ssize_t>& forma) {
  py::tuple indice(forma.size());
  for (std::size_t k = forma.size(); k-- > 0;) {
    indice[k] = posicao % static_cast<std::size_t>(forma[k]);
    posicao /= static_cast<std::size_t>(forma[k]);
  }
  return indice;
}

// A grid file behind a Python Modelo: every call takes the grid as the file is then.
class Nucleo {
 public:
  explicit Nucleo(const std::string& arquivo) : modelo_(arquivo) {}

  std::string Arquivo() const { return modelo_.Arquivo(); }

  // With `comN` (a height only): (valores, codigos, N, codigos de N), one query per point.
  py::object Calcular(int pedido, const py::handle& lat, const py::handle& lon,
                      const py::handle& altura, bool comCodigos, bool estrito, int threads,
                      bool comN) {
    if (pedido < 0 || pedido > 2) throw py::value_error("pedido desconhecido");
    if (threads < 0) throw py::value_error("threads: use 0 (todos os núcleos) ou mais");
    const Pedido p = static_cast<Pedido>(pedido);
    std::vector<Entrada> entradas;
    entradas.emplace_back(ComoFloat64(lat, "lat"));
    entradas.emplace_back(ComoFloat64(lon, "lon"));
    if (p != Pedido::Ondulacao)
      entradas.emplace_back(ComoFloat64(altura, p == Pedido::AlturaOrtometrica ? "h" : "H"));
    const std::vector<py::ssize_t> forma =
        Difundir(entradas, p == Pedido::Ondulacao           ? "lat, lon"
                           : p == Pedido::AlturaOrtometrica ? "lat, lon, h"
                                                            : "lat, lon, H");
    comN = comN && p != Pedido::Ondulacao;
    comCodigos = comCodigos || comN;
    py::array_t<double> saida(forma), saidaN;
    py::array_t<std::int32_t> codigos, codigosN;
    if (comCodigos) codigos = py::array_t<std::int32_t>(forma);
    if (comN) {
      saidaN = py::array_t<double>(forma);
      codigosN = py::array_t<std::int32_t>(forma);
    }
    const std::size_t n = static_cast<std::size_t>(saida.size());
    double* const valores = saida.mutable_data();
    std::int32_t* const pCodigos = comCodigos ? codigos.mutable_data() : nullptr;
    Recusa primeira;
    {
      py::gil_scoped_release semGil;
      const nv::Grade grade = modelo_.Retrato();  // one version of the grid for the call
      Trabalho t{p, &grade, &entradas, &forma, valores, pCodigos};
      if (comN) {
        t.saidaN = saidaN.mutable_data();
        t.codigosN = codigosN.mutable_data();
      }
      primeira = Dividir(t, n, threads == 0 ? Nucleos() : static_cast<unsigned>(threads));
    }
    if (estrito && primeira.posicao != kSemRecusa)
      LevantarRecusa(primeira.codigo, nv::MensagemCodigo(static_cast<nv::Codigo>(primeira.codigo)),
                     IndiceDe(primeira.posicao, forma));
    // Scalars in, scalars out (NumPy's float64 and int32), as NumPy's own functions.
    py::object resultado = forma.empty() ? py::object(saida[py::tuple()]) : py::object(saida);
    if (comN) return py::make_tuple(saida, codigos, saidaN, codigosN);
    if (!comCodigos) return resultado;
    return py::make_tuple(resultado,
                          forma.empty() ? py::object(codigos[py::tuple()]) : py::object(codigos));
  }

 private:
  nv::Modelo modelo_;
};

py::tuple DecimalParaGms(double graus) {
  const nv::Gms g = nv::DecimalParaGms(graus);
  return py::make_tuple(g.negativo, g.graus, g.minutos, g.segundos, g.texto);
}

}  // namespace

PYBIND11_MODULE(_nivora2015, m) {
  m.doc() = "Parte nativa do módulo nivora2015 (use o pacote nivora2015).";
  gPontoRecusado = PyErr_NewExceptionWithDoc(
      "nivora2015.PontoRecusado",
      "Ponto que o programa recusa (ValueError). Atributos: codigo (o código da recusa) e "
      "indice (a posição do ponto no resultado, ou None).",
      PyExc_ValueError, nullptr);
  m.attr("PontoRecusado") = py::handle(gPontoRecusado);

  py::register_exception_translator([](std::exception_ptr erro) {
    try {
      if (erro) std::rethrow_exception(erro);
    } catch (const nv::EPontoRecusado& e) {
      try {  // (the translator runs with the GIL held)
        LevantarRecusa(static_cast<std::int32_t>(e.CodigoRecusa()), nv::MensagemUtf8(e),
                       py::none());
      } catch (py::error_already_set& pendente) {
        pendente.restore();
      }
    } catch (const nv::EAberturaArquivo& e) {
      PyErr_SetString(PyExc_OSError, nv::MensagemUtf8(e).c_str());
    } catch (const nv::EEntradaSaida& e) {
      PyErr_SetString(PyExc_OSError, nv::MensagemUtf8(e).c_str());
    } catch (const nv::EConversao& e) {
      PyErr_SetString(PyExc_ValueError, nv::MensagemUtf8(e).c_str());
    } catch (const nv::EAritmetica& e) {
      PyErr_SetString(PyExc_ValueError, nv::MensagemUtf8(e).c_str());
    } catch (const nv::ErroNivora& e) {
      PyErr_SetString(PyExc_RuntimeError, nv::MensagemUtf8(e).c_str());
    }
  });

  py::class_<Nucleo>(m, "_Nucleo")
      .def(py::init<const std::string&>(), py::arg("arquivo"))
      .def_property_readonly("arquivo", [](const Nucleo& n) { return py::bytes(n.Arquivo()); })
      .def("calcular", &Nucleo::Calcular, py::arg("pedido"), py::arg("lat"), py::arg("lon"),
           py::arg("altura"), py::arg("codigos"), py::arg("estrito"), py::arg("threads"),
           py::arg("com_n") = false);
  m.def("arquivo_padrao", [] { return py::bytes(nv::Modelo::ArquivoPadrao()); });
  m.def("gms_para_decimal", &nv::GmsParaDecimal, py::arg("texto"));
  m.def("decimal_para_gms", &DecimalParaGms, py::arg("valor"));
  m.def(
      "mensagem_codigo",
      [](int codigo) { return nv::MensagemCodigo(static_cast<nv::Codigo>(codigo)); },
      py::arg("codigo"));
  m.attr("versao") = py::make_tuple(nv::kVersaoMaior, nv::kVersaoMenor, nv::kVersaoRevisao);
}
