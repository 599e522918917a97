# Type stubs of the nivora2015 module (the native part included).
import enum
import os
from typing import Literal, NamedTuple, overload

import numpy as np
import numpy.typing as npt

__version__: str

_Real = float | int | np.floating | np.integer
_Entrada = _Real | npt.ArrayLike
_Valores = np.float64 | npt.NDArray[np.float64]
_Codigos = np.int32 | npt.NDArray[np.int32]

class PontoRecusado(ValueError):
    codigo: int
    indice: tuple[int, ...] | None

class Codigo(enum.IntEnum):
    ACEITO = 0
    GRAU_LATITUDE = 1
    MINUTO_LATITUDE = 2
    SEGUNDO_LATITUDE = 3
    GRAU_LONGITUDE = 4
    MINUTO_LONGITUDE = 5
    SEGUNDO_LONGITUDE = 6
    ACIMA_DO_NORTE = 7
    ABAIXO_DO_SUL = 8
    FORA_DA_LONGITUDE = 9
    FORA_DA_GRADE = 10
    NAO_NUMERO = 11

class Gms(NamedTuple):
    negativo: bool
    graus: int
    minutos: int
    segundos: float
    texto: str

def mensagem(codigo: int) -> str: ...
def gms_para_decimal(texto: str) -> float: ...
def decimal_para_gms(valor: float) -> Gms: ...

class Modelo:
    def __init__(self, grade: str | os.PathLike[str] | None = None) -> None: ...
    @property
    def arquivo(self) -> str: ...
    @overload
    def ondulacao(self, lat: _Entrada, lon: _Entrada, *, codigos: Literal[False] = False,
                  estrito: bool = False, threads: int = 0) -> _Valores: ...
    @overload
    def ondulacao(self, lat: _Entrada, lon: _Entrada, *, codigos: Literal[True],
                  estrito: bool = False, threads: int = 0) -> tuple[_Valores, _Codigos]: ...
    @overload
    def altura_ortometrica(self, lat: _Entrada, lon: _Entrada, h: _Entrada, *,
                           codigos: Literal[False] = False, estrito: bool = False,
                           threads: int = 0) -> _Valores: ...
    @overload
    def altura_ortometrica(self, lat: _Entrada, lon: _Entrada, h: _Entrada, *,
                           codigos: Literal[True], estrito: bool = False,
                           threads: int = 0) -> tuple[_Valores, _Codigos]: ...
    @overload
    def altura_elipsoidal(self, lat: _Entrada, lon: _Entrada, H: _Entrada, *,
                          codigos: Literal[False] = False, estrito: bool = False,
                          threads: int = 0) -> _Valores: ...
    @overload
    def altura_elipsoidal(self, lat: _Entrada, lon: _Entrada, H: _Entrada, *,
                          codigos: Literal[True], estrito: bool = False,
                          threads: int = 0) -> tuple[_Valores, _Codigos]: ...
    def sha256(self) -> str: ...

@overload
def ondulacao(lat: _Entrada, lon: _Entrada, *, codigos: Literal[False] = False,
              estrito: bool = False, threads: int = 0) -> _Valores: ...
@overload
def ondulacao(lat: _Entrada, lon: _Entrada, *, codigos: Literal[True], estrito: bool = False,
              threads: int = 0) -> tuple[_Valores, _Codigos]: ...
@overload
def altura_ortometrica(lat: _Entrada, lon: _Entrada, h: _Entrada, *,
                       codigos: Literal[False] = False, estrito: bool = False,
                       threads: int = 0) -> _Valores: ...
@overload
def altura_ortometrica(lat: _Entrada, lon: _Entrada, h: _Entrada, *, codigos: Literal[True],
                       estrito: bool = False, threads: int = 0) -> tuple[_Valores, _Codigos]: ...
@overload
def altura_elipsoidal(lat: _Entrada, lon: _Entrada, H: _Entrada, *,
                      codigos: Literal[False] = False, estrito: bool = False,
                      threads: int = 0) -> _Valores: ...
@overload
def altura_elipsoidal(lat: _Entrada, lon: _Entrada, H: _Entrada, *, codigos: Literal[True],
                      estrito: bool = False, threads: int = 0) -> tuple[_Valores, _Codigos]: ...
