"""NIVORA2015: a ondulação geoidal N (metros, SIRGAS2000) de pontos no Brasil, em NumPy.

Os números são os mesmos que a janela e a linha de comando (nivora2015-cli) do programa
dão para os mesmos pontos: N arredondado a três casas decimais (a janela o mostra com
duas) e as alturas com três::

    >>> import nivora2015
    >>> modelo = nivora2015.Modelo()          # a grade que acompanha a biblioteca
    >>> modelo.ondulacao(-15.7939, -47.8828)
    -12.659
    >>> modelo.altura_ortometrica(-15.7939, -47.8828, 1172.345)   # H = h - N
    1185.004

Coordenadas em graus decimais (latitude positiva ao norte, longitude positiva a leste:
as do Brasil são negativas); escalares ou arrays do NumPy de qualquer forma, que se
combinam pelas regras de broadcast do NumPy, com quaisquer passos (strides). Inteiros
e outros float são convertidos para float64; outros tipos levantam TypeError. O
resultado é float64: o double mais próximo do valor decimal de três casas.

Pontos recusados dão NaN; com ``codigos=True`` vem o par (valores, códigos), um array
int32 com o código de cada ponto (veja Codigo): 0 aceito, 1 a 9 os códigos de recusa
do programa (7, 8, 9: fora da área do modelo), 10 (FORA_DA_GRADE) menos de 25 nós da
grade ao redor do ponto, 11 (NAO_NUMERO) coordenada ou altura NaN ou infinita. Com
``estrito=True`` o primeiro ponto recusado levanta PontoRecusado (um ValueError) com a
mensagem do programa. Uma grade que não abre levanta OSError; uma linha da grade que
não se converte, ValueError.

Cada chamada toma a grade como o arquivo está naquele momento (um retrato), como uma
execução em lote do programa. O cálculo solta o GIL e, em arrays grandes, usa várias
threads (``threads``: 0, o padrão, usa todos os núcleos).

Um Modelo vai por pickle (caminho da grade e SHA-256) para processos e workers do
Dask: ao chegar, uma grade diferente é recusada. Em escala, veja nivora2015.dask.
"""

from __future__ import annotations

import enum
import hashlib
import os
import threading
import time
from typing import NamedTuple

from . import _nivora2015 as _nativo
from ._nivora2015 import PontoRecusado

__all__ = [
    "Codigo",
    "Gms",
    "Modelo",
    "PontoRecusado",
    "altura_elipsoidal",
    "altura_ortometrica",
    "decimal_para_gms",
    "gms_para_decimal",
    "mensagem",
    "ondulacao",
]
__version__ = ".".join(map(str, _nativo.versao))

_ONDULACAO, _ORTOMETRICA, _ELIPSOIDAL = 0, 1, 2


class Codigo(enum.IntEnum):
    """Código de cada ponto (0 aceito; 1 a 9 os do programa; 10 e 11 os do módulo)."""

    ACEITO = 0
    GRAU_LATITUDE = 1  #: latitude de 90 graus ou mais, para qualquer lado
    MINUTO_LATITUDE = 2  #: (só na entrada GMS)
    SEGUNDO_LATITUDE = 3  #: (só na entrada GMS)
    GRAU_LONGITUDE = 4  #: longitude de 180 graus ou mais, para qualquer lado
    MINUTO_LONGITUDE = 5  #: (só na entrada GMS)
    SEGUNDO_LONGITUDE = 6  #: (só na entrada GMS)
    ACIMA_DO_NORTE = 7  #: latitude igual ou ao norte de 5.5833027
    ABAIXO_DO_SUL = 8  #: latitude igual ou ao sul de -34.5830027
    FORA_DA_LONGITUDE = 9  #: longitude igual ou além de -74.5830027 (oeste) ou -34.4332999 (leste)
    FORA_DA_GRADE = 10  #: menos de 25 nós da grade ao redor do ponto
    NAO_NUMERO = 11  #: coordenada ou altura NaN ou infinita


def mensagem(codigo: int) -> str:
    """A mensagem do programa para um código ("Entrada Inválida : LATITUDE ACIMA  do
    limite do grid"); as palavras do módulo para 10 e 11; vazia para 0."""
    return _nativo.mensagem_codigo(int(codigo))


class Gms(NamedTuple):
    """Uma coordenada em graus, minutos e segundos, como o programa a deriva."""

    negativo: bool  #: sul (latitude) ou oeste (longitude)
    graus: int
    minutos: int
    segundos: float
    texto: str  #: "-03 07 43.3200": sinal, graus e minutos com dois dígitos, segundos


def gms_para_decimal(texto: str) -> float:
    """Graus decimais de "G M S" (três números separados por brancos, o sinal antes dos
    graus, como numa coluna GMS de um arquivo de pontos: "-23 33 1.8"), pela regra do
    programa: |G| + M/60 + S/3600 em precisão estendida, negativo quando os graus
    trazem "-" (também "-0").

    Levanta ValueError para uma parte que não é número ou que falta, e PontoRecusado
    (um ValueError) para minutos acima de 59, segundos de 60 ou mais, ou parte negativa.
    """
    return _nativo.gms_para_decimal(texto)


def decimal_para_gms(valor: float) -> Gms:
    """Graus decimais em GMS pela regra do programa (graus inteiros; os minutos do resto;
    os segundos do que sobra, com quatro casas no texto). NaN ou infinito levanta
    PontoRecusado (código NAO_NUMERO); graus que não cabem num inteiro de 32 bits,
    ValueError com a mensagem do campo de graus ("... is not a valid integer value")."""
    valor = float(valor)
    return Gms(*_nativo.decimal_para_gms(valor))


class Modelo:
    """Um arquivo de grade do modelo geoidal e as consultas sobre ele.

    ``Modelo()`` usa a grade que acompanha a biblioteca
    (share/nivora2015/grid/NIVORA2015_SIRGAS2000.txt); ``Modelo(arquivo)`` qualquer
    grade no mesmo formato. O arquivo é lido já na criação: um arquivo que não existe
    ou não abre levanta OSError. Cada consulta toma a grade como o arquivo está no
    momento (uma grade reescrita é lida de novo), uma vez por chamada.

    Pode ser usado por várias threads ao mesmo tempo e vai por pickle (veja sha256).
    """

    __slots__ = ("_nucleo", "_grade", "_resumo")

    def __init__(self, grade: str | os.PathLike[str] | None = None) -> None:
        if grade is None:
            caminho = os.fsencode(_nativo.arquivo_padrao())
        else:
            caminho = os.path.abspath(os.fsencode(grade))
        self._nucleo = _nativo._Nucleo(caminho)
        self._grade = None if grade is None else caminho  # o que vai no pickle
        self._resumo: tuple[tuple[int, ...], str] | None = None

    @property
    def arquivo(self) -> str:
        """O caminho do arquivo da grade."""
        return os.fsdecode(self._nucleo.arquivo)

    def ondulacao(self, lat, lon, *, codigos=False, estrito=False, threads=0):
        """A ondulação geoidal N (metros) em cada ponto: o valor de três casas decimais
        que o programa calcula (e mostra com duas), como o float64 mais próximo dele.

        lat, lon: graus decimais, escalares ou arrays (broadcast do NumPy).
        codigos: devolve também os códigos dos pontos (veja Codigo).
        estrito: levanta PontoRecusado no primeiro ponto recusado.
        threads: 0 (padrão) todos os núcleos, 1 só a thread que chama, n até n threads.

        Devolve um float64 (escalares) ou um array float64, NaN nos pontos recusados;
        com ``codigos=True``, o par (valores, códigos).
        """
        return self._nucleo.calcular(_ONDULACAO, lat, lon, None, codigos, estrito, threads)

    def altura_ortometrica(self, lat, lon, h, *, codigos=False, estrito=False, threads=0):
        """A altitude ortométrica H = h - N de uma altura elipsoidal h (GNSS), em metros:
        a coluna de altura que nivora2015-cli grava com ``--altura elipsoidal``, com o N
        de três casas e a altura h tomada como o decimal que o float64 escreve.

        Argumentos e resultado como em ondulacao; h NaN ou infinita dá o código
        NAO_NUMERO.
        """
        return self._nucleo.calcular(_ORTOMETRICA, lat, lon, h, codigos, estrito, threads)

    def altura_elipsoidal(self, lat, lon, H, *, codigos=False, estrito=False, threads=0):
        """A altura elipsoidal h = H + N de uma altitude ortométrica H (nivelamento), em
        metros: a coluna que nivora2015-cli grava com ``--altura ortometrica``.

        Argumentos e resultado como em altura_ortometrica.
        """
        return self._nucleo.calcular(_ELIPSOIDAL, lat, lon, H, codigos, estrito, threads)

    def sha256(self) -> str:
        """O SHA-256 (hexadecimal) do arquivo da grade como ele está agora.

        É o que o pickle leva junto com o caminho (ou com "a grade padrão"): ao chegar a
        outro processo, a grade de lá precisa ter o mesmo SHA-256, senão ValueError.
        """
        estado = os.stat(self._nucleo.arquivo)
        chave = (estado.st_dev, estado.st_ino, estado.st_size, estado.st_mtime_ns,
                 estado.st_ctime_ns)
        if self._resumo is not None and self._resumo[0] == chave:
            return self._resumo[1]
        with open(self._nucleo.arquivo, "rb") as arquivo:
            resumo = hashlib.file_digest(arquivo, "sha256").hexdigest()
        # A file changed within the clock's granularity keeps its times: the digest of
        # a file changed that recently is not kept.
        if time.time_ns() - max(estado.st_mtime_ns, estado.st_ctime_ns) > 2_000_000_000:
            self._resumo = (chave, resumo)
        return resumo

    def __reduce__(self):
        return (_restaurar, (self._grade, self.sha256()))

    def __repr__(self) -> str:
        return f"nivora2015.Modelo({self.arquivo!r})"


# The models this process has received by pickle, by grid and SHA-256: a Dask worker
# reads each grid once, however many tasks bring the same model.
_recebidos: dict[tuple[bytes | None, str], Modelo] = {}
_trava = threading.Lock()


def _restaurar(grade: bytes | None, sha256: str) -> Modelo:
    with _trava:
        modelo = _recebidos.get((grade, sha256))
        if modelo is None:
            modelo = Modelo(grade)
        aqui = modelo.sha256()
        if aqui != sha256:
            raise ValueError(
                f"a grade {modelo.arquivo} deste processo difere da do Modelo recebido "
                f"(SHA-256 {aqui}, esperado {sha256})")
        _recebidos[(grade, sha256)] = modelo
        return modelo


_padrao: Modelo | None = None


def _modelo_padrao() -> Modelo:
    global _padrao
    with _trava:
        if _padrao is None:
            _padrao = Modelo()
        return _padrao


def ondulacao(lat, lon, *, codigos=False, estrito=False, threads=0):
    """Modelo().ondulacao com a grade padrão (lida uma vez por processo)."""
    return _modelo_padrao().ondulacao(lat, lon, codigos=codigos, estrito=estrito,
                                      threads=threads)


def altura_ortometrica(lat, lon, h, *, codigos=False, estrito=False, threads=0):
    """Modelo().altura_ortometrica (H = h - N) com a grade padrão."""
    return _modelo_padrao().altura_ortometrica(lat, lon, h, codigos=codigos,
                                               estrito=estrito, threads=threads)


def altura_elipsoidal(lat, lon, H, *, codigos=False, estrito=False, threads=0):
    """Modelo().altura_elipsoidal (h = H + N) com a grade padrão."""
    return _modelo_padrao().altura_elipsoidal(lat, lon, H, codigos=codigos,
                                              estrito=estrito, threads=threads)
