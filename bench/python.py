# Performance figures of the Python module, measured side by side in one run (called by
# bench/python.sh, which generates the points):
#   1. N of the points from NumPy arrays (all cores) against nivora2015-cli on the same
#      points written as text: points per second, the module's rate >= 4,000,000
#      (stretch 6,000,000) and >= 3 x the CLI's; the module's N checked against the
#      CLI's column on every point;
#   2. peak memory of the process during that call beyond its input and output
#      arrays: <= 64 MiB;
#   3. a Dask LocalCluster of 2 worker processes (1 thread each) against 1 worker on
#      the same CSV dataset (read, N added, summed): rate ratio >= 1.6.
# Usage: python3 bench/python.py BUILD_DIR POINTS_FILE DASK_POINTS RUNS
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

BUILD, PONTOS, PONTOS_DASK, RODADAS = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
sys.path.insert(0, os.path.join(BUILD, "python"))
import nivora2015  # noqa: E402

CLI = os.path.join(BUILD, "bin", "nivora2015-cli")
GRADE = os.path.join(BUILD, "bin", "grid", "NIVORA2015_SIRGAS2000.txt")


def melhores(*funcoes, rodadas=RODADAS):
    """The best wall time of each function over `rodadas` rounds after a warm-up, the
    functions taking turns within each round (a slow spell of the machine then falls on
    all of them, not on one)."""
    for funcao in funcoes:
        funcao()
    tempos = [[] for _ in funcoes]
    for _ in range(rodadas):
        for funcao, seus in zip(funcoes, tempos):
            inicio = time.perf_counter()
            funcao()
            seus.append(time.perf_counter() - inicio)
    return [min(seus) for seus in tempos]


def memoria(campo):
    with open("/proc/self/status") as status:
        for linha in status:
            if linha.startswith(campo):
                return int(linha.split()[1]) * 1024


def pico(lat, lon, modelo):
    """The process's peak resident memory during one call (the kernel's peak reset just
    before it) beyond the input and output arrays, and the call's own growth beyond
    what was resident before it and its output."""
    antes = memoria("VmRSS:")
    with open("/proc/self/clear_refs", "w") as limpar:
        limpar.write("5")
    n = modelo.ondulacao(lat, lon)
    maximo = memoria("VmHWM:")
    return maximo - lat.nbytes - lon.nbytes - n.nbytes, maximo - antes - n.nbytes


def taxa_dask(trabalhadores, arquivos, pontos):
    import dask.dataframe as dd
    from distributed import Client, LocalCluster

    import nivora2015.dask as nd

    with LocalCluster(n_workers=trabalhadores, threads_per_worker=1, processes=True,
                      host="127.0.0.1", dashboard_address=None) as cluster, \
            Client(cluster) as cliente:

        def somar():
            df = dd.read_csv(arquivos, sep=" ", names=["lat", "lon"],
                             float_precision="round_trip", blocksize=None)
            return nd.ondulacao_df(df)["N"].sum().compute()

        # The same graph has the same keys: a run right after another could find its
        # results still held by the workers. Each timed run starts from fresh workers
        # that have read the grid (outside the time).
        somar()
        tempos = []
        for _ in range(RODADAS):
            cliente.restart()
            cliente.run(nivora2015._modelo_padrao)
            inicio = time.perf_counter()
            somar()
            tempos.append(time.perf_counter() - inicio)
        return pontos / min(tempos)


def main():
    dados = np.fromfile(PONTOS, sep=" ").reshape(-1, 2)
    lat, lon = dados[:, 0].copy(), dados[:, 1].copy()
    del dados
    total = lat.size
    modelo = nivora2015.Modelo(GRADE)

    extra, da_chamada = pico(lat, lon, modelo)
    n = modelo.ondulacao(lat, lon)
    with tempfile.TemporaryDirectory() as trabalho:
        saida = os.path.join(trabalho, "saida.txt")
        t_modulo, t_cli = melhores(
            lambda: modelo.ondulacao(lat, lon),
            lambda: subprocess.run([CLI, "--quiet", "--grade", GRADE, PONTOS, saida], check=True))
        centesimos_cli = np.rint(np.fromfile(saida, sep=" ") * 100).astype(np.int64)
        milesimos = np.rint(n * 1000).astype(np.int64)  # "#0.00" of the three-decimal N
        centesimos = np.sign(milesimos) * ((np.abs(milesimos) + 5) // 10)
        iguais = centesimos_cli.size == total and np.array_equal(centesimos_cli, centesimos)

        arquivos, por_arquivo = [], PONTOS_DASK // 40
        with open(PONTOS) as entrada:
            for k in range(40):
                arquivos.append(os.path.join(trabalho, f"parte-{k:02d}.txt"))
                with open(arquivos[-1], "w") as parte:
                    parte.writelines(next(entrada) for _ in range(por_arquivo))
        um, dois = taxa_dask(1, arquivos, 40 * por_arquivo), taxa_dask(2, arquivos, 40 * por_arquivo)

    print(f"\n== summary ({total:,} points, {os.cpu_count()} cores, "
          f"load {os.getloadavg()[0]:.2f} at the end) ==")
    print(f"module, NumPy arrays:      {total / t_modulo:13,.0f} points/s ({t_modulo:.3f} s)"
          "  (target >= 4,000,000, stretch 6,000,000)")
    print(f"nivora2015-cli, text:      {total / t_cli:13,.0f} points/s ({t_cli:.3f} s)")
    print(f"module / CLI:              {t_cli / t_modulo:13.2f}   (target >= 3)")
    print(f"module's N = CLI's N:      {'yes, every point' if iguais else 'NO'}")
    print(f"peak beyond the arrays:    {extra / 2**20:13.1f} MiB (target <= 64; interpreter, "
          f"NumPy and the grid included; the call itself: {da_chamada / 2**20:.1f} MiB)")
    print(f"Dask, 1 worker:            {um:13,.0f} points/s ({40 * por_arquivo:,} points, 40 CSV)")
    print(f"Dask, 2 workers:           {dois:13,.0f} points/s")
    print(f"2 workers / 1 worker:      {dois / um:13.2f}   (target >= 1.6)")
    return 0 if iguais else 1


if __name__ == "__main__":
    sys.exit(main())
