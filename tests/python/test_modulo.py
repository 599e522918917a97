# The module against the command-line tool on the same points written as text, and
# the module's handling of shapes, types, bad input, threads, the GIL and pickling.
import ast
import doctest
import os
import pickle
import shutil
import threading
import time

import numpy as np
import pytest

import nivora2015
from conftest import executar_cli, linhas_cli, mascara

# lat, lon, h as text, as the CLI reads them.
PONTOS = [
    ("-15.7939", "-47.8828", "1172.345"),
    ("-22.9068", "-43.1729", "12.870"),
    ("-3.1190", "-60.0217", "-0.0005"),
    ("-30.0346", "-51.2177", "8848.8612345"),
    ("2.8235", "-60.6758", "0"),
    ("-15.75", "-47.75", "-73.25"),  # on a grid node
    ("-11.263761", "-66.583333", "1316.378"),  # on a node column, as the grid writes it
    ("5.5833027", "-50", "1"),  # on the north limit: refused
    ("5.5833026", "-50", "1"),
    ("-34.5830027", "-53", "1"),  # south limit
    ("-34.5830026", "-53", "1"),
    ("-10", "-34.4332999", "1"),  # east limit
    ("-10", "-34.4333", "1"),
    ("-10", "-74.5830027", "1"),  # west limit
    ("-10", "-74.5830026", "1"),
    ("95", "-50", "1"),  # 1, not 7: the later check wins
    ("-10", "180", "1"),
    ("-95", "-200", "1"),  # the longitude's reason wins
]


@pytest.fixture(scope="module")
def saidas_cli():
    """The CLI's lines for each point: H from h, h from H, and N with H = 0."""
    com_h = [" ".join(p) for p in PONTOS]
    sem_h = [f"{la} {lo} 0" for la, lo, _ in PONTOS]
    return (executar_cli(com_h, "-f", "0,H", "--altura", "elipsoidal"),
            executar_cli(com_h, "-f", "0,H", "--altura", "ortometrica"),
            executar_cli(sem_h, "-f", "0,H", "--altura", "ortometrica"))


@pytest.mark.parametrize("i", range(len(PONTOS)), ids=[" ".join(p) for p in PONTOS])
def test_igual_a_cli(modelo, saidas_cli, i):
    la, lo, h = PONTOS[i]
    lat, lon, alt = float(la), float(lo), float(h)
    n, c = modelo.ondulacao(lat, lon, codigos=True)
    orto, c_orto = modelo.altura_ortometrica(lat, lon, alt, codigos=True)
    elip, c_elip = modelo.altura_elipsoidal(lat, lon, alt, codigos=True)
    assert c == c_orto == c_elip
    assert np.isnan(n) == np.isnan(orto) == np.isnan(elip) == (c != 0)
    assert saidas_cli[0][i] == linhas_cli([la], [lo], [n], [orto], [c])[0]
    assert saidas_cli[1][i] == linhas_cli([la], [lo], [n], [elip], [c])[0]
    if c == 0:  # N to three decimals, the value the height column is computed from
        assert saidas_cli[2][i].split()[1] == mascara([n], 3)[0]
        assert n == float(mascara([n], 3)[0])  # the double nearest to that decimal


def test_gms_como_a_cli(modelo):
    gms = [("-15 47 38.04", "-47 52 58.08"), ("-0 30 0", "-60 1 18.12"),
           ("2 49 24.6", "-60 40 32.88")]
    cli = executar_cli([f"{a} {b} 0" for a, b in gms], "-f", "2,H", "--altura", "ortometrica")
    lat = [nivora2015.gms_para_decimal(a) for a, _ in gms]
    lon = [nivora2015.gms_para_decimal(b) for _, b in gms]
    assert [linha.split()[1] for linha in cli] == mascara(modelo.ondulacao(lat, lon), 3)
    assert nivora2015.decimal_para_gms(-3.1287).texto == "-03 07 43.3200"
    assert nivora2015.decimal_para_gms(5).texto == "05 00 00.0000"
    with pytest.raises(ValueError, match="is not a valid integer value"):
        nivora2015.decimal_para_gms(1e300)
    with pytest.raises(nivora2015.PontoRecusado, match="MINUTO LATITUDE") as erro:
        nivora2015.gms_para_decimal("-23 60 0")
    assert erro.value.codigo == nivora2015.Codigo.MINUTO_LATITUDE


def test_formas_tipos_e_passos(modelo):
    rng = np.random.default_rng(18)
    lat = rng.uniform(-30, 0, (40, 50))
    lon = rng.uniform(-70, -40, (40, 50))
    base = modelo.ondulacao(lat, lon)
    assert base.dtype == np.float64 and base.shape == (40, 50) and not np.isnan(base).any()
    casos = [
        (lat[::-1, ::2], lon[::-1, ::2], base[::-1, ::2]),  # negative and wide strides
        (np.asfortranarray(lat), np.asfortranarray(lon), base),
        (lat[:, :1], lon[:1, :], None),  # (40, 1) with (1, 50)
        (lat[0, 0], lon[0], None),  # a scalar with a row
        (lat.astype(np.float32), lon.astype(np.float32), None),
        (lat.astype(">f8"), lon, base),  # big-endian
        (np.rint(lat).astype(np.int16), lon.tolist(), None),
        (np.empty((0, 3)), -50.0, np.empty((0, 3))),
    ]
    for a, b, esperado in casos:
        if esperado is None:  # the same points as contiguous float64
            a64, b64 = np.broadcast_arrays(np.asarray(a, np.float64), np.asarray(b, np.float64))
            esperado = modelo.ondulacao(a64.copy(), b64.copy())
        obtido = modelo.ondulacao(a, b, threads=2)
        assert obtido.shape == np.shape(esperado)
        np.testing.assert_array_equal(obtido, esperado)
    desalinhado = np.frombuffer(b"\0" + lat.tobytes(), np.float64, lat.size, 1)  # unaligned
    np.testing.assert_array_equal(modelo.ondulacao(desalinhado, lon.ravel()), base.ravel())
    escalar = modelo.ondulacao(-15.7939, -47.8828, codigos=True)
    assert type(escalar[0]) is np.float64 and type(escalar[1]) is np.int32


@pytest.mark.parametrize("chamada, erro, texto", [
    (lambda m: m.ondulacao(["a"], [1.0]), TypeError, "lat: o tipo <U1"),
    (lambda m: m.ondulacao([1.0], [1 + 2j]), TypeError, "lon: o tipo complex128"),
    (lambda m: m.ondulacao(True, -50), TypeError, "lat: o tipo bool"),
    (lambda m: m.altura_ortometrica(-10, -50, [None]), TypeError, "h: o tipo object"),
    (lambda m: m.ondulacao(np.zeros(3), np.zeros(4)), ValueError,
     r"lat, lon: as formas \(3,\) e \(4,\) não se combinam"),
    (lambda m: m.altura_elipsoidal(np.zeros((2, 1)), np.zeros(3), np.zeros(4)), ValueError,
     r"lat, lon, H: as formas \(2, 1\) e \(3,\) e \(4,\)"),
    (lambda m: m.ondulacao(-10, -50, threads=-1), ValueError, "threads"),
    (lambda m: nivora2015.Modelo("/nao/existe/grade.txt"), OSError,
     'Cannot open file "/nao/existe/grade.txt"'),
    (lambda m: nivora2015.Modelo("/nao/existe/joão.txt"), OSError,
     'Cannot open file "/nao/existe/joão.txt"'),
    (lambda m: nivora2015.gms_para_decimal("-23 x 1"), ValueError, "'x' is not a valid"),
])
def test_entrada_ruim(modelo, chamada, erro, texto):
    with pytest.raises(erro, match=texto):
        chamada(modelo)


def test_nan_infinito_e_estrito(modelo):
    nan, inf = np.nan, np.inf
    lat = np.array([[-10, nan, inf, -10], [-10, -10, -inf, -10]])
    lon = np.array([[-50, -50, -50, nan], [inf, -50, -50, -50]])
    h = np.array([[1, 1, 1, 1], [1, inf, 1, nan]])
    n, c = modelo.ondulacao(lat, lon, codigos=True)
    np.testing.assert_array_equal(c, [[0, 11, 1, 11], [4, 0, 1, 0]])
    assert np.isnan(n).tolist() == (c != 0).tolist()
    _, c = modelo.altura_ortometrica(lat, lon, h, codigos=True)
    np.testing.assert_array_equal(c, [[0, 11, 1, 11], [4, 11, 1, 11]])
    with pytest.raises(nivora2015.PontoRecusado) as erro:
        modelo.ondulacao(lat, lon, estrito=True)
    assert (erro.value.codigo, erro.value.indice) == (11, (0, 1))
    assert str(erro.value) == nivora2015.mensagem(11)
    assert str(erro.value).startswith("Entrada Inválida : ")


def test_grade_danificada(tmp_path, modelo):
    linhas = open(modelo.arquivo, "rb").read().split(b"\r\n")
    linhas[1000] = linhas[1000][:20] + b"  abc"
    (tmp_path / "grade.txt").write_bytes(b"\r\n".join(linhas))
    with pytest.raises(ValueError, match="ab. is not a valid floating point value"):
        nivora2015.Modelo(tmp_path / "grade.txt").ondulacao(np.linspace(-34, 5, 500), -60)


def test_threads_e_gil(modelo):
    rng = np.random.default_rng(7)
    lat, lon = rng.uniform(-34, 5, 400_000), rng.uniform(-74, -35, 400_000)
    um = modelo.ondulacao(lat, lon, threads=1)
    np.testing.assert_array_equal(modelo.ondulacao(lat, lon, threads=5), um)
    np.testing.assert_array_equal(modelo.ondulacao(lat, lon), um)
    fora = lat.copy()
    fora[[390_000, 250_001, 300_000]] = 9.0  # the first by position, whichever thread
    with pytest.raises(nivora2015.PontoRecusado) as erro:
        modelo.ondulacao(fora, lon, estrito=True, threads=4)
    assert erro.value.indice == (250_001,)
    # While one thread computes, another keeps running Python code, queries included.
    inicio_fim, passos = [], []
    calculo = threading.Thread(target=lambda: inicio_fim.extend(
        [time.perf_counter(), modelo.ondulacao(lat, lon, threads=1), time.perf_counter()]))
    calculo.start()
    while calculo.is_alive():
        np.testing.assert_array_equal(modelo.ondulacao(lat[:10], lon[:10]), um[:10])
        passos.append(time.perf_counter())
    calculo.join()
    np.testing.assert_array_equal(inicio_fim[1], um)
    # The main thread never waited for much of the call (holding the GIL, it would
    # have waited for all of it).
    inicio, fim = inicio_fim[0], inicio_fim[2]
    marcas = [inicio] + [t for t in passos if inicio < t < fim] + [fim]
    espera = max(b - a for a, b in zip(marcas, marcas[1:]))
    assert espera < (fim - inicio) / 2, f"waited {espera:.3f} s of {fim - inicio:.3f} s"
    # threads=4 on 400,000 points: three more threads while it runs.
    antes = len(os.listdir("/proc/self/task"))
    calculo = threading.Thread(target=modelo.ondulacao, args=(lat, lon), kwargs={"threads": 4})
    calculo.start()
    visto = antes
    while calculo.is_alive():
        visto = max(visto, len(os.listdir("/proc/self/task")))
    assert visto >= antes + 1 + 3


def test_pickle(tmp_path, modelo):
    grade = tmp_path / "grade.txt"
    shutil.copyfile(modelo.arquivo, grade)
    copia = nivora2015.Modelo(grade)
    for m in (modelo, copia):
        volta = pickle.loads(pickle.dumps(m))
        assert volta.arquivo == m.arquivo
        assert volta.ondulacao(-15.7939, -47.8828) == m.ondulacao(-15.7939, -47.8828)
    enviado = pickle.dumps(copia)
    with open(grade, "r+b") as arquivo:  # one value of the grid changed
        arquivo.seek(30)
        arquivo.write(b"7")
    with pytest.raises(ValueError, match="difere da do Modelo recebido"):
        pickle.loads(enviado)


def test_documentacao_e_stubs():
    assert doctest.testmod(nivora2015).failed == 0
    stub = ast.parse(open(os.path.join(os.path.dirname(nivora2015.__file__), "__init__.pyi")).read())
    nomes = {getattr(no, "name", None) for no in stub.body}
    assert set(nivora2015.__all__) <= nomes
    classe = next(no for no in stub.body if getattr(no, "name", None) == "Modelo")
    metodos = {no.name for no in classe.body if isinstance(no, ast.FunctionDef)}
    assert metodos == {m for m in dir(nivora2015.Modelo) if not m.startswith("_")} | {"__init__"}
