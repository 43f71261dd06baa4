/* Vinte empresas com um pouco de tudo, para o ciclo sem mudanças: o que
   pesa ali é o número de empresas e de tabelas, não o de linhas. */
set term ^ ;
execute block as
  declare e integer = 1;
  declare i integer;
begin
  while (e <= 20) do
  begin
    insert into EMPRESAS (EMPRESA, RAZAO_SOCIAL) values (:e, 'Empresa ' || :e || ' Comércio Ltda');
    insert into OPCOES (EMPRESA, CLI_COD_CONSUMIDOR, VEN_FP_ENTRADA, VEN_FP_DEMAIS)
    values (:e, 1, '01', '15');
    i = 1;
    while (i <= 200) do
    begin
      insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, INATIVO, CID_CODIGO)
      values (:e, :i, 'Cliente ' || :i || ' da empresa ' || :e, 'N', 3550308);
      insert into PRODUTOS (EMPRESA, PRO_CODIGO, PRO_DESCRICAO, UNIDADE, INATIVO, PRECO_VENDA)
      values (:e, :i, 'Produto ' || :i, 'UN', 'N', 9.99);
      insert into PRODUTOS_UNIDADES_COMERCIAIS (EMPRESA, PRO_CODIGO, UNIDADE, FATOR, PRECO)
      values (:e, :i, 'CX', 12, 99.9);
      insert into CONTAS_RECEBER (EMPRESA, LANCTO, TITULO, PARCELA, CLI_CODIGO, EMISSAO, VALOR,
                                  VENCIMENTO, STATUS)
      values (:e, :i, :i, 1, :i, date '2024-05-01', 150, date '2024-06-01', 0);
      insert into NF_SAIDA (EMPRESA, NFS, OPF_CODIGO, CP_CODIGO, CLI_CODIGO, DT_EMISSAO, TOTAL_NOTA,
                            STATUS)
      values (:e, :i, '5102', 1, :i, date '2024-05-01', 150, 2);
      i = i + 1;
    end
    i = 1;
    while (i <= 5) do
    begin
      insert into REPRESENTANTES (EMPRESA, REP_CODIGO, REP_NOME, INATIVO)
      values (:e, :i, 'Representante ' || :i, 'N');
      insert into CONDICOES_PAGTO (EMPRESA, CP_CODIGO, CP_DESCRICAO, INATIVO, NRO_PARCELAS)
      values (:e, :i, 'Condição ' || :i, 'N', :i);
      insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO, FP_DESCRICAO, INATIVO)
      values (:e, lpad(:i, 2, '0'), 'Forma ' || :i, 'N');
      insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO, OPF_DESCRICAO, INATIVO)
      values (:e, '510' || :i, 'Venda ' || :i, 'N');
      insert into SITUACAO_TRIBUTARIA (EMPRESA, ST_CODIGO, ST_DESCRICAO, INATIVO)
      values (:e, lpad(:i, 3, '0'), 'ICMS ' || :i, 'N');
      insert into SITUACAO_TRIBUTARIA_PIS (EMPRESA, PIS_CODIGO, PIS_DESCRICAO)
      values (:e, lpad(:i, 3, '0'), 'PIS ' || :i);
      insert into SITUACAO_TRIBUTARIA_COFINS (EMPRESA, COFINS_CODIGO, COFINS_DESCRICAO)
      values (:e, lpad(:i, 3, '0'), 'COFINS ' || :i);
      insert into NCM_IBPT (EMPRESA, NCM, IBPT_ALIQUOTA_NACIONAL)
      values (:e, lpad(:i * 1000, 8, '0'), 13.45);
      i = i + 1;
    end
    e = e + 1;
  end
end^
set term ; ^
commit;
