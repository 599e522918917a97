#include "batch/formato.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nivora {
namespace {

TEST(TListaFormato, KeepsOrderFindsIgnoringCaseAndRemovesByPosition) {
  TListaFormato lista;
  EXPECT_EQ(lista.IndexOf("ID"), -1);
  lista.Adicionar("ID");
  lista.Adicionar("2");
  EXPECT_EQ(lista.Count(), 2);
  EXPECT_EQ(lista[0], "ID");
  EXPECT_EQ(lista.IndexOf("id"), 0);
  EXPECT_EQ(lista.IndexOf("2"), 1);
  EXPECT_EQ(lista.IndexOf("I"), -1) << "whole text only";
  lista.Remover(-1);
  EXPECT_EQ(lista.Count(), 2) << "position -1 removes nothing";
  lista.Remover(0);
  EXPECT_EQ(lista.Count(), 1);
  EXPECT_EQ(lista[0], "2");
  EXPECT_EQ(lista.CodigoCoord(), "2");
  EXPECT_FALSE(lista.Decimal());
  lista.Remover(lista.IndexOf("2"));
  EXPECT_EQ(lista.CodigoCoord(), "");
}

TEST(TListaFormato, ParsesTheCommandLineForm) {
  struct Caso {
    std::string texto;
    std::vector<std::string> itens;
    bool decimal;
  };
  const std::vector<Caso> casos = {
      {"0", {"0"}, true},          {"ID,0", {"ID", "0"}, true},  {"0,ID", {"0", "ID"}, true},
      {"1", {"1"}, true},          {"ID,2", {"ID", "2"}, false}, {"3,ID", {"3", "ID"}, false},
      {"id,1", {"ID", "1"}, true},
  };
  for (const Caso& caso : casos) {
    const TListaFormato lista = TListaFormato::DeTexto(caso.texto);
    ASSERT_EQ(lista.Count(), static_cast<int>(caso.itens.size())) << caso.texto;
    for (int i = 0; i < lista.Count(); ++i) EXPECT_EQ(lista[i], caso.itens[i]) << caso.texto;
    EXPECT_EQ(lista.Decimal(), caso.decimal) << caso.texto;
  }
}

TEST(TListaFormato, RefusesListsThatDescribeNoLayout) {
  for (const std::string texto : {"", "ID", "4", "0,1", "ID,ID,0", "0,", ",0", "0 ", "ID;0", "x"}) {
    EXPECT_THROW(TListaFormato::DeTexto(texto), EFormatoInvalido) << '"' << texto << '"';
  }
}

}  // namespace
}  // namespace nivora
