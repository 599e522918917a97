"""N e H de muitos pontos GNSS com o Dask: nesta máquina ou no seu cluster.

    python3 dask_cluster.py 'pontos-*.csv' saida/                      # nesta máquina
    python3 dask_cluster.py 'pontos-*.csv' saida/ --escalonador tcp://10.0.0.5:8786

Entrada: arquivos CSV com as colunas lat, lon (graus decimais) e h (altura elipsoidal,
metros), cada arquivo uma partição. Saída: os mesmos pontos com N e H = h - N, um CSV
por partição em saida/ (N e H com as suas três casas decimais, os valores exatos do
programa; a janela mostra N com duas). Pontos fora da área do modelo ficam com N e H vazios e o
código da recusa na coluna "codigo" (nivora2015.mensagem(codigo) dá o texto).

Sem --escalonador, o exemplo sobe um LocalCluster aqui (um worker por núcleo). Para um
cluster: rode "dask-scheduler" numa máquina e "dask-worker tcp://ESSA_MAQUINA:8786" em
cada uma das outras, todas com o pacote python3-nivora2015 (a mesma grade em todas: o
Modelo vai com o SHA-256 dela) e com os arquivos no mesmo caminho (disco de rede).
"""

import argparse

import dask.dataframe as dd
from distributed import Client, LocalCluster

import nivora2015
import nivora2015.dask as nd


def main():
    argumentos = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    argumentos.add_argument("entrada", help="arquivos CSV de entrada (padrão glob)")
    argumentos.add_argument("saida", help="pasta dos CSV de saída")
    argumentos.add_argument("--escalonador", help="endereço do escalonador (tcp://host:8786)")
    opcoes = argumentos.parse_args()

    cluster = None if opcoes.escalonador else LocalCluster(threads_per_worker=1)
    with Client(opcoes.escalonador or cluster) as cliente:
        print("escalonador:", cliente.scheduler.address)
        # round_trip: o float64 mais próximo do texto, o ponto que o programa leria.
        pontos = dd.read_csv(opcoes.entrada, float_precision="round_trip", blocksize=None)
        # O Modelo vai por pickle a cada worker, que confere a grade pelo SHA-256.
        resultado = nd.ondulacao_df(pontos, h="h", modelo=nivora2015.Modelo(), codigos=True)
        resultado.to_csv(f"{opcoes.saida}/saida-*.csv", index=False)
    if cluster is not None:
        cluster.close()


if __name__ == "__main__":
    main()
