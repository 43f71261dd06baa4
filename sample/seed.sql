/* Dados de exemplo para o banco de sample/schema.sql.

   Empresas:
     1  Ação Comercial Ltda               inscrita na Quenda e na Lumio
     2  Distribuidora Irmãos Gonçalves    só na Quenda (id da nuvem só com dígitos)
     3  Mercearia São João                só na Lumio
     4  Padaria Pão Quente                em nenhuma nuvem: o serviço a ignora

   Cada tabela recebe algumas centenas de linhas geradas por empresa e, com
   códigos a partir de 9001 (90001 em títulos e notas), as linhas dos casos
   particulares: flags em maiúscula e minúscula, nulos, textos com quebras
   de linha, barras invertidas e separadores, códigos com zeros à esquerda.
   Datas são relativas ao dia da carga: a primeira carga de títulos e
   vendas só olha de 1º de janeiro de três anos atrás em diante.

   COD_ATUALIZACAO vem dos gatilhos do esquema, na ordem das inclusões. */

insert into EMPRESAS values (1, 'Ação Comercial Ltda', 'Ação Comercial', '12.345.678/0001-90');
insert into EMPRESAS values (2, 'Distribuidora Irmãos Gonçalves Ltda', 'Irmãos Gonçalves', '23.456.789/0001-01');
insert into EMPRESAS values (3, 'Mercearia São João Eireli', 'Mercearia São João', '34.567.890/0001-12');
insert into EMPRESAS values (4, 'Padaria Pão Quente Ltda', 'Pão Quente', '45.678.901/0001-23');

insert into CIDADES values (1, 'Campinas', 'SP', 3509502);
insert into CIDADES values (2, 'Santos', 'SP', 3548500);
insert into CIDADES values (3, 'Ribeirão Preto', 'SP', 3543402);
insert into CIDADES values (4, 'São José dos Campos', 'SP', 3549904);
insert into CIDADES values (5, 'Sorocaba', 'SP', 3552205);
insert into CIDADES values (6, 'Rio de Janeiro', 'RJ', 3304557);
insert into CIDADES values (7, 'Niterói', 'RJ', 3303302);
insert into CIDADES values (8, 'Belo Horizonte', 'MG', 3106200);
insert into CIDADES values (9, 'Uberlândia', 'MG', 3170206);
insert into CIDADES values (10, 'Curitiba', 'PR', 4106902);
insert into CIDADES values (11, 'Londrina', 'PR', 4113700);
insert into CIDADES values (12, 'Porto Alegre', 'RS', 4314902);
insert into CIDADES values (13, 'Florianópolis', 'SC', 4205407);
insert into CIDADES values (14, 'Goiânia', 'GO', 5208707);
insert into CIDADES values (15, 'São Paulo', 'SP', 3550308);
insert into CIDADES values (16, 'Salvador', 'BA', 2927408);
insert into CIDADES values (17, 'Recife', 'PE', 2611606);
insert into CIDADES values (18, 'Fortaleza', 'CE', 2304400);
insert into CIDADES values (19, 'Brasília', 'DF', 5300108);
insert into CIDADES values (20, 'Belém', 'PA', 1501402);

insert into QUENDA (EMPRESA, GRUPO_ID, EMPRESA_ID)
  values (1, '5e2a7c1f-8d34-4b6a-a0f1-2c9e7d4b3a10', '7f3c9a2e-4b1d-4e8a-9c55-0d2f6b81a3e7');
insert into QUENDA (EMPRESA, GRUPO_ID, EMPRESA_ID)
  values (2, '5e2a7c1f-8d34-4b6a-a0f1-2c9e7d4b3a10', '40917');

insert into LUMIO (EMPRESA, EMPRESA_ID) values (1, 'b81d6e44-0c2a-4f7e-9a3b-5d1e8c7f2a96');
insert into LUMIO (EMPRESA, EMPRESA_ID) values (3, '9d41c0b7-2e5f-4a88-b316-7ac2e90f54d1');

/* Opções do pedido de venda das empresas da Lumio (a 3 sem forma de
   pagamento de entrada); a 4 ainda não escolheu o cliente consumidor. */
insert into OPCOES values (1, 15, '1', '3');
insert into OPCOES values (3, 15, null, '3');
insert into OPCOES values (4, null, '1', '1');

set term ^ ;

/* ---------------------------------------------------------------- */
/* Representantes                                                    */
/* ---------------------------------------------------------------- */
execute block as
  declare emp smallint;
  declare n integer;
  declare i integer;
begin
  for select EMPRESA from EMPRESAS order by EMPRESA into :emp do
  begin
    n = decode(emp, 1, 120, 2, 60, 3, 80, 5);
    i = 1;
    while (i <= n) do
    begin
      insert into REPRESENTANTES (EMPRESA, REP_CODIGO, REP_NOME, EMAIL, INATIVO)
      values (:emp, :i,
        decode(mod(:i + :emp, 10), 0, 'João', 1, 'Márcia', 2, 'Sebastião', 3, 'Inês',
               4, 'Antônio', 5, 'Cláudia', 6, 'Rogério', 7, 'Lúcia', 8, 'Vinícius', 'Tânia')
          || ' ' ||
        decode(mod(:i * 3, 11), 0, 'Gonçalves', 1, 'Araújo', 2, 'Simões', 3, 'Magalhães',
               4, 'Brandão', 5, 'Falcão', 6, 'Nóbrega', 7, 'Guimarães', 8, 'Assunção',
               9, 'Lourenço', 'Peçanha'),
        iif(mod(:i, 7) = 0, null,
            'vendas' || :i || '@' || decode(:emp, 1, 'acaocomercial.com.br',
              2, 'irmaosgoncalves.com.br', 3, 'merceariasaojoao.com.br', 'paoquente.com.br')),
        decode(mod(:i, 10), 0, 'S', 5, 's', 3, null, 'N'));
      i = i + 1;
    end
  end
end^

/* ---------------------------------------------------------------- */
/* Clientes e seus e-mails                                           */
/* ---------------------------------------------------------------- */
execute block as
  declare emp smallint;
  declare n integer;
  declare nrep integer;
  declare i integer;
  declare pj smallint;
  declare sobrenome varchar(20);
  declare dominio varchar(30);
  declare ult_compra date;
begin
  for select EMPRESA from EMPRESAS order by EMPRESA into :emp do
  begin
    n = decode(emp, 1, 620, 2, 350, 3, 300, 20);
    nrep = decode(emp, 1, 120, 2, 60, 3, 80, 5);
    i = 1;
    while (i <= n) do
    begin
      pj = iif(mod(i, 3) = 0, 1, 0);
      sobrenome = decode(mod(i * 7 + emp, 15), 0, 'Silva', 1, 'Gonçalves', 2, 'Araújo',
        3, 'Simões', 4, 'Magalhães', 5, 'Brandão', 6, 'Conceição', 7, 'Assunção',
        8, 'Peçanha', 9, 'Guimarães', 10, 'Falcão', 11, 'Gusmão', 12, 'Estêvão',
        13, 'Nóbrega', 'Damião');
      dominio = decode(mod(i, 4), 0, 'gmail.com', 1, 'uol.com.br', 2, 'hotmail.com', 'terra.com.br');
      ult_compra = iif(mod(i, 6) = 0, null, current_date - mod(i * 17, 900));

      insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, NOME_FANTASIA, ENDERECO, NUMERO,
        COMPLEMENTO, BAIRRO, CEP, PESSOA, CPF_CNPJ, RG_IE, INSC_ESTADUAL, FONE, CELULAR,
        LIMITE_CREDITO, DT_CADASTRO, DATA_ULT_COMPRA, VALOR_ULT_COMPRA, REP_CODIGO, INATIVO,
        INDICADOR_PRESENCA, CID_CODIGO, OBSERVACAO)
      values (:emp, :i,
        iif(:pj = 1,
          decode(mod(:i, 10), 0, 'Padaria', 1, 'Mercado', 2, 'Farmácia', 3, 'Açougue',
                 4, 'Papelaria', 5, 'Ótica', 6, 'Sorveteria', 7, 'Distribuidora',
                 8, 'Armazém', 'Lanchonete')
            || ' ' || :sobrenome ||
          decode(mod(:i, 4), 0, ' Ltda', 1, ' ME', 2, ' Eireli', ' S.A.'),
          decode(mod(:i, 20), 0, 'João', 1, 'Maria', 2, 'José', 3, 'Ana', 4, 'Antônio',
                 5, 'Conceição', 6, 'Luís', 7, 'Inês', 8, 'Sebastião', 9, 'Cláudia',
                 10, 'Fábio', 11, 'Márcia', 12, 'Joaquim', 13, 'Lúcia', 14, 'André',
                 15, 'Débora', 16, 'Rogério', 17, 'Patrícia', 18, 'Vinícius', 'Tânia')
            || ' ' || :sobrenome || ' ' ||
          decode(mod(:i, 6), 0, 'Pereira', 1, 'Carvalho', 2, 'Mendonça', 3, 'Lourenço',
                 4, 'Ribeiro', 'Sá')),
        iif(:pj = 1,
          decode(mod(:i, 10), 0, 'Padaria', 1, 'Mercado', 2, 'Farmácia', 3, 'Açougue',
                 4, 'Papelaria', 5, 'Ótica', 6, 'Sorveteria', 7, 'Distribuidora',
                 8, 'Armazém', 'Lanchonete') || ' ' || :sobrenome,
          iif(mod(:i, 5) = 1, 'Loja do ' || :sobrenome, null)),
        decode(mod(:i, 10), 0, 'Rua das Acácias', 1, 'Avenida São João', 2, 'Rua Barão de Itapetininga',
               3, 'Travessa Ipê-Amarelo', 4, 'Avenida Paulista', 5, 'Rua da Conceição',
               6, 'Alameda Santos', 7, 'Praça da Sé', 8, 'Rua Açaí', 'Estrada do Jaraguá'),
        iif(mod(:i, 29) = 0, 'S/N', cast(mod(:i * 37, 2000) + 1 as varchar(10))),
        decode(mod(:i, 4), 0, 'Sala ' || mod(:i, 50), 1, 'Apto ' || (mod(:i, 20) * 10 + 1), null),
        decode(mod(:i * 3, 10), 0, 'Centro', 1, 'Jardim América', 2, 'Vila Mariana', 3, 'Brás',
               4, 'Bela Vista', 5, 'São Cristóvão', 6, 'Boa Viagem', 7, 'Savassi',
               8, 'Água Verde', 'Moinhos de Vento'),
        lpad(mod(:i * 7919 + :emp * 104729, 99999999), 8, '0'),
        iif(:pj = 1, 'J', 'F'),
        iif(:pj = 1, lpad(:emp * 1000000 + :i * 7, 14, '0'), lpad(:emp * 100000 + :i * 13, 11, '0')),
        iif(:pj = 1, iif(mod(:i, 9) = 0, 'ISENTO', lpad(:i * 31, 12, '0')),
            cast(10000000 + :i * 11 as varchar(12)) || '-' || mod(:i, 10)),
        iif(:pj = 1, iif(mod(:i, 9) = 0, 'ISENTO', lpad(:i * 31, 12, '0')), null),
        iif(mod(:i, 8) = 0, null, '(11) 3' || lpad(mod(:i * 4567, 1000), 3, '0') || '-' || lpad(mod(:i * 89, 10000), 4, '0')),
        iif(mod(:i, 5) = 0, null, '(11) 9' || lpad(mod(:i * 1237, 10000), 4, '0') || '-' || lpad(mod(:i * 71, 10000), 4, '0')),
        iif(mod(:i, 13) = 0, null, mod(:i, 10) * 500 + iif(mod(:i, 4) = 0, 0.5, 0)),
        iif(mod(:i, 41) = 0, null, current_date - mod(:i * 53, 3650)),
        :ult_compra,
        iif(:ult_compra is null, null, mod(:i * 131, 100000) / 100.00),
        iif(mod(:i, 9) = 0, null, mod(:i, :nrep) + 1),
        decode(mod(:i, 20), 0, 'S', 7, 's', 3, null, 11, '', 'N'),
        decode(mod(:i, 6), 0, 0, 1, 1, 2, 2, 3, 4, 4, 9, null),
        iif(mod(:i, 17) = 0, null, mod(:i, 20) + 1),
        decode(mod(:i, 50), 0, 'Cliente desde a abertura da loja.' || ascii_char(13) || ascii_char(10)
                              || 'Pagamento sempre em dia.',
                            25, '  Prefere entrega à tarde.  ',
                            10, 'Não vender a prazo sem consultar o gerente.',
                            null));

      if (mod(i, 7) <> 0) then
        insert into CLIENTES_EMAIL (EMPRESA, CLI_CODIGO, SEQUENCIA, EMAIL)
        values (:emp, :i, 1, iif(:pj = 1, 'compras', 'cliente') || :i || '@' || :dominio);
      if (mod(i, 5) = 0) then
        insert into CLIENTES_EMAIL (EMPRESA, CLI_CODIGO, SEQUENCIA, EMAIL)
        values (:emp, :i, 2, 'financeiro' || :i || '@' || :dominio);
      i = i + 1;
    end
  end
end^

set term ; ^

/* Clientes dos casos particulares, nas empresas 1, 2 e 3. */
insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, NOME_FANTASIA, ENDERECO, NUMERO, BAIRRO, CEP,
  PESSOA, CPF_CNPJ, FONE, LIMITE_CREDITO, DT_CADASTRO, DATA_ULT_COMPRA, VALOR_ULT_COMPRA,
  REP_CODIGO, INATIVO, INDICADOR_PRESENCA, CID_CODIGO, OBSERVACAO)
select EMPRESA, 9001, 'João da Silva Conceição', 'Empório do João', 'Rua São Bento', '15', 'Sé',
  '01011000', 'F', '12345678909', '(11) 3333-4444', 2500, current_date - 400, current_date - 3,
  199.9, 12, 'S', 1, 15, 'Inativado a pedido do cliente.'
  from EMPRESAS where EMPRESA in (1, 2, 3);

/* INATIVO minúsculo, sem cidade, sem data de cadastro, observação só de
   brancos e quebras de linha. */
insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, INATIVO, CID_CODIGO, DT_CADASTRO, OBSERVACAO)
select EMPRESA, 9002, 'Maria Inês Gonçalves', 's', null, null,
  '   ' || ascii_char(13) || ascii_char(10) || ascii_char(9) || '  ' || ascii_char(10)
  from EMPRESAS where EMPRESA in (1, 2, 3);

/* INATIVO nulo, cidade 0, observação com brancos nas pontas e uma quebra
   de linha no meio. */
insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, NOME_FANTASIA, INATIVO, CID_CODIGO, OBSERVACAO)
select EMPRESA, 9003, 'Ação Comercial Ltda', 'Ação Comercial', null, 0,
  '  Entregar só pela manhã.' || ascii_char(13) || ascii_char(10) || 'Portão azul, fundos.  '
  || ascii_char(10)
  from EMPRESAS where EMPRESA in (1, 2, 3);

/* INATIVO em branco e cidade negativa; os e-mails foram todos excluídos
   (abaixo). */
insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, INATIVO, CID_CODIGO)
select EMPRESA, 9004, 'Sebastião Brandão', '', -1
  from EMPRESAS where EMPRESA in (1, 2, 3);

/* Tudo o que pode ser nulo é nulo. */
insert into CLIENTES (EMPRESA, CLI_CODIGO)
select EMPRESA, 9005 from EMPRESAS where EMPRESA in (1, 2, 3);

/* Aspas, barra invertida e caracteres fora do latim no nome; cidade 15. */
insert into CLIENTES (EMPRESA, CLI_CODIGO, CLI_NOME, NOME_FANTASIA, PESSOA, INATIVO, CID_CODIGO,
  LIMITE_CREDITO, OBSERVACAO)
select EMPRESA, 9006, 'Bar do "Zé" \ Filial Água Branca', 'Doceria Açúcar & Mel 🍯', 'J', 'N', 15,
  33.33, 'Tabela de preços C:\Preços\2024'
  from EMPRESAS where EMPRESA in (1, 2, 3);

/* E-mail com separadores de unidade (U+001F) no meio e no fim. */
insert into CLIENTES_EMAIL (EMPRESA, CLI_CODIGO, SEQUENCIA, EMAIL)
select EMPRESA, 9001, 1, 'joao.conceicao' || ascii_char(31) || '@exemplo.com.br' || ascii_char(31)
  from EMPRESAS where EMPRESA in (1, 2, 3);
insert into CLIENTES_EMAIL (EMPRESA, CLI_CODIGO, SEQUENCIA, EMAIL)
select EMPRESA, 9004, 1, 'sebastiao@exemplo.com.br' from EMPRESAS where EMPRESA in (1, 2, 3);
delete from CLIENTES_EMAIL where CLI_CODIGO = 9004;
/* Brancos no e-mail ficam como estão; o segundo tem acento. */
insert into CLIENTES_EMAIL (EMPRESA, CLI_CODIGO, SEQUENCIA, EMAIL)
select EMPRESA, 9006, 1, ' compras@acucaremel.com.br ' from EMPRESAS where EMPRESA in (1, 2, 3);
insert into CLIENTES_EMAIL (EMPRESA, CLI_CODIGO, SEQUENCIA, EMAIL)
select EMPRESA, 9006, 2, 'zé@açúcaremel.com.br' from EMPRESAS where EMPRESA in (1, 2, 3);

set term ^ ;

/* ---------------------------------------------------------------- */
/* Formas e condições de pagamento                                   */
/* ---------------------------------------------------------------- */
execute block as
  declare emp smallint;
  declare n integer;
  declare i integer;
begin
  for select EMPRESA from EMPRESAS order by EMPRESA into :emp do
  begin
    insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO, FP_DESCRICAO, INATIVO, ONDE_LANCAR, DOC_FISCAL_COD_FORMA_PAGTO, ORDEM)
      values (:emp, '1', 'Dinheiro', 'N', 'CX', '01', 1);
    insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO, FP_DESCRICAO, INATIVO, ONDE_LANCAR, DOC_FISCAL_COD_FORMA_PAGTO, ORDEM)
      values (:emp, '2', 'Cheque', 's', 'CR', '02', 2);
    insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO, FP_DESCRICAO, INATIVO, ONDE_LANCAR, DOC_FISCAL_COD_FORMA_PAGTO, ORDEM)
      values (:emp, '3', 'Cartão de Crédito', 'N', 'CR', '03', 3);
    insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO, FP_DESCRICAO, INATIVO, ONDE_LANCAR, DOC_FISCAL_COD_FORMA_PAGTO, ORDEM)
      values (:emp, '4', 'Cartão de Débito', null, 'CX', '04', 4);
    insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO, FP_DESCRICAO, INATIVO, ONDE_LANCAR, DOC_FISCAL_COD_FORMA_PAGTO, ORDEM)
      values (:emp, '5', 'Boleto Bancário', 'N', 'CR', '15', 5);
    insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO, FP_DESCRICAO, INATIVO, ONDE_LANCAR, DOC_FISCAL_COD_FORMA_PAGTO, ORDEM)
      values (:emp, '6', 'PIX', 'N', 'CC', '17', 6);
    insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO, FP_DESCRICAO, INATIVO, ONDE_LANCAR, DOC_FISCAL_COD_FORMA_PAGTO, ORDEM)
      values (:emp, '7', 'Crediário Próprio', 'N', 'CR', '05', null);
    insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO, FP_DESCRICAO, INATIVO, ONDE_LANCAR, DOC_FISCAL_COD_FORMA_PAGTO, ORDEM)
      values (:emp, '8', 'Vale Alimentação', 'S', 'CX', '10', 8);
    insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO, FP_DESCRICAO, INATIVO, ONDE_LANCAR, DOC_FISCAL_COD_FORMA_PAGTO, ORDEM)
      values (:emp, '9', 'Depósito em Conta', 'N', 'CC', '16', 9);
    insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO, FP_DESCRICAO, INATIVO, ONDE_LANCAR, DOC_FISCAL_COD_FORMA_PAGTO, ORDEM)
      values (:emp, '10', 'Transferência Bancária', 'N', null, '18', 10);
    insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO)
      values (:emp, '11');

    /* A última forma de cada empresa vai para a Lumio (ONDE_LANCAR CR). */
    n = decode(emp, 4, 23, 197);
    i = 12;
    while (i <= n) do
    begin
      insert into FORMAS_PAGTO (EMPRESA, FP_CODIGO, FP_DESCRICAO, INATIVO, ONDE_LANCAR, DOC_FISCAL_COD_FORMA_PAGTO, ORDEM)
      values (:emp, :i,
        decode(mod(:i, 5), 0, 'Cartão Crédito ', 1, 'Cartão Débito ', 2, 'Convênio ', 3, 'Boleto ', 'Carnê ')
          || decode(mod(:i, 4), 0, 'Bandeira Azul', 1, 'Rede São Paulo', 2, 'Cooperativa Paraná', 'Banco Popular')
          || ' ' || :i,
        decode(mod(:i, 10), 0, 'S', 5, 's', 3, null, 'N'),
        decode(mod(:i, 6), 0, 'CC', 1, null, 2, 'CX', 'CR'),
        decode(mod(:i, 5), 0, '03', 1, '04', 2, '99', 3, '15', null),
        iif(mod(:i, 11) = 0, null, :i));
      i = i + 1;
    end

    /* Condições de pagamento. */
    insert into CONDICOES_PAGTO (EMPRESA, CP_CODIGO, CP_DESCRICAO, INATIVO, NRO_PARCELAS, DIAS_PARCELA1, DIAS_INTERVALO, VEN_FP_ENTRADA, VEN_FP_DEMAIS)
      values (:emp, 1, 'À vista', 'N', 1, 0, null, '1', null);
    insert into CONDICOES_PAGTO (EMPRESA, CP_CODIGO, CP_DESCRICAO, INATIVO, NRO_PARCELAS, DIAS_PARCELA1, DIAS_INTERVALO, VEN_FP_ENTRADA, VEN_FP_DEMAIS)
      values (:emp, 2, '30 dias', 'N', 1, 30, null, '5', '5');
    insert into CONDICOES_PAGTO (EMPRESA, CP_CODIGO, CP_DESCRICAO, INATIVO, NRO_PARCELAS, DIAS_PARCELA1, DIAS_INTERVALO, VEN_FP_ENTRADA, VEN_FP_DEMAIS)
      values (:emp, 3, '30/60/90 dias', 'N', 3, 30, 30, '5', '5');
    insert into CONDICOES_PAGTO (EMPRESA, CP_CODIGO, CP_DESCRICAO, INATIVO, NRO_PARCELAS, DIAS_PARCELA1, DIAS_INTERVALO, VEN_FP_ENTRADA, VEN_FP_DEMAIS)
      values (:emp, 4, 'Entrada + 2x sem juros', 's', 3, 0, 30, '1', '3');
    insert into CONDICOES_PAGTO (EMPRESA, CP_CODIGO, CP_DESCRICAO, INATIVO, NRO_PARCELAS, DIAS_PARCELA1, DIAS_INTERVALO, VEN_FP_ENTRADA, VEN_FP_DEMAIS)
      values (:emp, 5, '28 dias boleto', 'S', 1, 28, null, null, '5');
    insert into CONDICOES_PAGTO (EMPRESA, CP_CODIGO, CP_DESCRICAO, INATIVO, NRO_PARCELAS, DIAS_PARCELA1, DIAS_INTERVALO, VEN_FP_ENTRADA, VEN_FP_DEMAIS)
      values (:emp, 6, '7/14/21 dias', null, 3, 7, 7, '7', '7');
    /* Parcelas e prazo ainda não preenchidos na retaguarda. */
    insert into CONDICOES_PAGTO (EMPRESA, CP_CODIGO, CP_DESCRICAO, INATIVO)
      values (:emp, 7, 'A combinar', 'N');

    n = decode(emp, 4, 20, 200);
    i = 8;
    while (i <= n) do
    begin
      insert into CONDICOES_PAGTO (EMPRESA, CP_CODIGO, CP_DESCRICAO, INATIVO, NRO_PARCELAS, DIAS_PARCELA1, DIAS_INTERVALO, VEN_FP_ENTRADA, VEN_FP_DEMAIS)
      values (:emp, :i,
        (mod(:i, 12) + 1) || 'x - 1ª em ' || decode(mod(:i, 4), 0, 0, 1, 7, 2, 28, 30) || ' dias'
          || iif(mod(:i, 5) = 0, '', ', demais a cada ' || decode(mod(:i, 5), 1, 7, 2, 14, 3, 28, 30) || ' dias'),
        decode(mod(:i, 10), 0, 'S', 5, 's', 3, null, 'N'),
        mod(:i, 12) + 1,
        decode(mod(:i, 4), 0, 0, 1, 7, 2, 28, 30),
        decode(mod(:i, 5), 0, null, 1, 7, 2, 14, 3, 28, 30),
        iif(mod(:i, 6) = 0, null, mod(:i, 10) + 1),
        iif(mod(:i, 7) = 0, null, mod(:i * 3, 10) + 1));
      i = i + 1;
    end
  end
end^

/* ---------------------------------------------------------------- */
/* Situações tributárias: ICMS, PIS e COFINS                         */
/* ---------------------------------------------------------------- */
execute block as
  declare emp smallint;
  declare n integer;
  declare i integer;
  declare cst char(3);
begin
  for select EMPRESA from EMPRESAS order by EMPRESA into :emp do
  begin
    insert into SITUACAO_TRIBUTARIA (EMPRESA, ST_CODIGO, ST_DESCRICAO, TIPO_IMPOSTO, ALIQ_DENTRO, ALIQ_FORA,
      PERC_REDUCAO, TIPO_REDUCAO, TEM_REDUCAO, ICMS_ORIGEM, ICMS_CST, ICMS_MOD_BC, ICMS_MOD_BC_ST,
      ICMS_MARGEM_ST, ICMS_ALIQ_ST, ICMS_REDUCAO_BC_ST, CFOP_DENTRO, ICMS_CST_FORA, ICMS_MOD_BC_FORA,
      ICMS_MOD_BC_ST_FORA, ICMS_MARGEM_ST_FORA, ICMS_ALIQ_ST_FORA, ICMS_REDUCAO_BC_ST_FORA,
      PERC_REDUCAO_FORA, CFOP_FORA, INATIVO)
    values (:emp, '1', 'Tributada integralmente', 'ICMS', 18, 12, 0, null, 'N', '0', '00', '3', null,
      0, 0, 0, '5102', '00', '3', null, 0, 0, 0, 0, '6102', 'N');
    insert into SITUACAO_TRIBUTARIA (EMPRESA, ST_CODIGO, ST_DESCRICAO, TIPO_IMPOSTO, ALIQ_DENTRO, ALIQ_FORA,
      PERC_REDUCAO, TIPO_REDUCAO, TEM_REDUCAO, ICMS_ORIGEM, ICMS_CST, ICMS_MOD_BC, ICMS_MOD_BC_ST,
      ICMS_MARGEM_ST, ICMS_ALIQ_ST, ICMS_REDUCAO_BC_ST, CFOP_DENTRO, ICMS_CST_FORA, ICMS_MOD_BC_FORA,
      ICMS_MOD_BC_ST_FORA, ICMS_MARGEM_ST_FORA, ICMS_ALIQ_ST_FORA, ICMS_REDUCAO_BC_ST_FORA,
      PERC_REDUCAO_FORA, CFOP_FORA, INATIVO)
    values (:emp, '2', 'Com redução de base de cálculo', 'ICMS', 18, 12, 33.33, 'B', 'S', '0', '20', '3', null,
      0, 0, 0, '5102', '20', '3', null, 0, 0, 0, 41.67, '6102', 'N');
    insert into SITUACAO_TRIBUTARIA (EMPRESA, ST_CODIGO, ST_DESCRICAO, TIPO_IMPOSTO, ALIQ_DENTRO, ALIQ_FORA,
      PERC_REDUCAO, TIPO_REDUCAO, TEM_REDUCAO, ICMS_ORIGEM, ICMS_CST, ICMS_MOD_BC, ICMS_MOD_BC_ST,
      ICMS_MARGEM_ST, ICMS_ALIQ_ST, ICMS_REDUCAO_BC_ST, CFOP_DENTRO, ICMS_CST_FORA, ICMS_MOD_BC_FORA,
      ICMS_MOD_BC_ST_FORA, ICMS_MARGEM_ST_FORA, ICMS_ALIQ_ST_FORA, ICMS_REDUCAO_BC_ST_FORA,
      PERC_REDUCAO_FORA, CFOP_FORA, INATIVO)
    values (:emp, '3', 'Com substituição tributária', 'ICMS', 18, 12, 0, null, null, '0', '10', '3', '4',
      40, 18, 0, '5401', '10', '3', '4', 58.43, 12, 0, 0, '6401', 'N');
    insert into SITUACAO_TRIBUTARIA (EMPRESA, ST_CODIGO, ST_DESCRICAO, TIPO_IMPOSTO, ALIQ_DENTRO, ALIQ_FORA,
      PERC_REDUCAO, TIPO_REDUCAO, TEM_REDUCAO, ICMS_ORIGEM, ICMS_CST, ICMS_MOD_BC, ICMS_MOD_BC_ST,
      ICMS_MARGEM_ST, ICMS_ALIQ_ST, ICMS_REDUCAO_BC_ST, CFOP_DENTRO, ICMS_CST_FORA, ICMS_MOD_BC_FORA,
      ICMS_MOD_BC_ST_FORA, ICMS_MARGEM_ST_FORA, ICMS_ALIQ_ST_FORA, ICMS_REDUCAO_BC_ST_FORA,
      PERC_REDUCAO_FORA, CFOP_FORA, INATIVO)
    values (:emp, '4', 'Isenta', 'ICMS', 0, 0, 0, null, 'N', '0', '40', null, null,
      0, 0, 0, '5102', '40', null, null, 0, 0, 0, 0, '6102', 'S');
    /* Redução marcada (S vai como temReducao false), inativa em minúscula
       e margem de ST nula. */
    insert into SITUACAO_TRIBUTARIA (EMPRESA, ST_CODIGO, ST_DESCRICAO, TIPO_IMPOSTO, ALIQ_DENTRO, ALIQ_FORA,
      PERC_REDUCAO, TIPO_REDUCAO, TEM_REDUCAO, ICMS_ORIGEM, ICMS_CST, ICMS_MOD_BC, ICMS_MOD_BC_ST,
      ICMS_MARGEM_ST, ICMS_ALIQ_ST, ICMS_REDUCAO_BC_ST, CFOP_DENTRO, ICMS_CST_FORA, ICMS_MOD_BC_FORA,
      ICMS_MOD_BC_ST_FORA, ICMS_MARGEM_ST_FORA, ICMS_ALIQ_ST_FORA, ICMS_REDUCAO_BC_ST_FORA,
      PERC_REDUCAO_FORA, CFOP_FORA, INATIVO)
    values (:emp, '5', 'Redução 33,33% - cesta básica', 'ICMS', 18, 12, 33.33, 'B', 'S', '0', '20', '3', '4',
      null, 18, 33.33, '5102', '20', '3', '4', null, 12, 0, 33.33, '6102', 's');
    insert into SITUACAO_TRIBUTARIA (EMPRESA, ST_CODIGO, ST_DESCRICAO, TIPO_IMPOSTO, ALIQ_DENTRO, ALIQ_FORA,
      PERC_REDUCAO, TIPO_REDUCAO, TEM_REDUCAO, ICMS_ORIGEM, ICMS_CST, ICMS_MOD_BC, ICMS_MOD_BC_ST,
      ICMS_MARGEM_ST, ICMS_ALIQ_ST, ICMS_REDUCAO_BC_ST, CFOP_DENTRO, ICMS_CST_FORA, ICMS_MOD_BC_FORA,
      ICMS_MOD_BC_ST_FORA, ICMS_MARGEM_ST_FORA, ICMS_ALIQ_ST_FORA, ICMS_REDUCAO_BC_ST_FORA,
      PERC_REDUCAO_FORA, CFOP_FORA, INATIVO)
    values (:emp, '6', 'ICMS cobrado anteriormente por ST', 'ICMS', 0, 0, 0, null, 'N', '0', '60', null, null,
      0, 0, 0, '5405', '60', null, null, 0, 0, 0, 0, '6404', 'N');
    insert into SITUACAO_TRIBUTARIA (EMPRESA, ST_CODIGO, ST_DESCRICAO, TIPO_IMPOSTO, ALIQ_DENTRO, ALIQ_FORA,
      PERC_REDUCAO, TIPO_REDUCAO, TEM_REDUCAO, ICMS_ORIGEM, ICMS_CST, ICMS_MOD_BC, ICMS_MOD_BC_ST,
      ICMS_MARGEM_ST, ICMS_ALIQ_ST, ICMS_REDUCAO_BC_ST, CFOP_DENTRO, ICMS_CST_FORA, ICMS_MOD_BC_FORA,
      ICMS_MOD_BC_ST_FORA, ICMS_MARGEM_ST_FORA, ICMS_ALIQ_ST_FORA, ICMS_REDUCAO_BC_ST_FORA,
      PERC_REDUCAO_FORA, CFOP_FORA, INATIVO)
    values (:emp, '7', 'Simples Nacional sem permissão de crédito', 'ICMS', 0, 0, 0, null, 'N', '0', '102', null, null,
      0, 0, 0, '5102', '102', null, null, 0, 0, 0, 0, '6102', 'N');
    /* Só o código: tudo o mais nulo. */
    insert into SITUACAO_TRIBUTARIA (EMPRESA, ST_CODIGO) values (:emp, '8');

    n = decode(emp, 4, 15, 200);
    i = 9;
    while (i <= n) do
    begin
      cst = decode(mod(i, 7), 0, '00', 1, '10', 2, '20', 3, '40', 4, '41', 5, '60', '90');
      insert into SITUACAO_TRIBUTARIA (EMPRESA, ST_CODIGO, ST_DESCRICAO, TIPO_IMPOSTO, ALIQ_DENTRO, ALIQ_FORA,
        PERC_REDUCAO, TIPO_REDUCAO, TEM_REDUCAO, ICMS_ORIGEM, ICMS_CST, ICMS_MOD_BC, ICMS_MOD_BC_ST,
        ICMS_MARGEM_ST, ICMS_ALIQ_ST, ICMS_REDUCAO_BC_ST, CFOP_DENTRO, ICMS_CST_FORA, ICMS_MOD_BC_FORA,
        ICMS_MOD_BC_ST_FORA, ICMS_MARGEM_ST_FORA, ICMS_ALIQ_ST_FORA, ICMS_REDUCAO_BC_ST_FORA,
        PERC_REDUCAO_FORA, CFOP_FORA, INATIVO)
      values (:emp, :i,
        'CST ' || trim(:cst) || ' - ' || decode(mod(:i, 4), 0, 'São Paulo', 1, 'Minas Gerais', 2, 'Paraná', 'Goiás')
          || ' ' || :i,
        'ICMS',
        decode(mod(:i, 5), 0, 7, 1, 12, 2, 17.5, 3, 18, 19),
        decode(mod(:i, 3), 0, 4, 1, 7, 12),
        iif(:cst = '20', decode(mod(:i, 3), 0, 33.33, 1, 41.67, 61.11), 0),
        iif(:cst = '20', 'B', null),
        decode(mod(:i, 6), 0, 'S', 1, 's', 2, null, 'N'),
        cast(mod(:i, 3) as char(1)),
        :cst,
        '3',
        iif(:cst in ('10', '60', '90'), '4', null),
        iif(:cst = '10', decode(mod(:i, 3), 0, 35, 1, 40, 71.6), iif(mod(:i, 9) = 0, null, 0)),
        iif(:cst = '10', 18, 0),
        0,
        iif(:cst in ('10', '60'), '5405', '5102'),
        :cst,
        '3',
        iif(:cst in ('10', '60', '90'), '4', null),
        iif(:cst = '10', 52.3, 0),
        iif(:cst = '10', 12, 0),
        0,
        0,
        iif(:cst in ('10', '60'), '6404', '6102'),
        decode(mod(:i, 10), 0, 'S', 5, 's', 3, null, 'N'));
      i = i + 1;
    end

    /* PIS e COFINS: os códigos 1 a 8 com nomes da retaguarda, os demais gerados. */
    insert into SITUACAO_TRIBUTARIA_PIS (EMPRESA, PIS_CODIGO, PIS_DESCRICAO, PIS_CST, PIS_MODO_CALCULO, PIS_ALIQUOTA_VALOR)
      values (:emp, '1', 'PIS cumulativo 0,65%', '01', 'P', 0.65);
    insert into SITUACAO_TRIBUTARIA_PIS (EMPRESA, PIS_CODIGO, PIS_DESCRICAO, PIS_CST, PIS_MODO_CALCULO, PIS_ALIQUOTA_VALOR)
      values (:emp, '2', 'PIS não cumulativo 1,65%', '01', 'P', 1.65);
    insert into SITUACAO_TRIBUTARIA_PIS (EMPRESA, PIS_CODIGO, PIS_DESCRICAO, PIS_CST, PIS_MODO_CALCULO, PIS_ALIQUOTA_VALOR)
      values (:emp, '3', 'PIS por unidade de medida', '03', 'V', 0.1185);
    insert into SITUACAO_TRIBUTARIA_PIS (EMPRESA, PIS_CODIGO, PIS_DESCRICAO, PIS_CST, PIS_MODO_CALCULO, PIS_ALIQUOTA_VALOR)
      values (:emp, '4', 'Monofásica - revenda a alíquota zero', '04', 'P', 0);
    insert into SITUACAO_TRIBUTARIA_PIS (EMPRESA, PIS_CODIGO, PIS_DESCRICAO, PIS_CST, PIS_MODO_CALCULO, PIS_ALIQUOTA_VALOR)
      values (:emp, '5', 'Alíquota zero', '06', 'P', 0);
    insert into SITUACAO_TRIBUTARIA_PIS (EMPRESA, PIS_CODIGO, PIS_DESCRICAO, PIS_CST, PIS_MODO_CALCULO, PIS_ALIQUOTA_VALOR)
      values (:emp, '6', 'Isenta da contribuição', '07', 'P', null);
    insert into SITUACAO_TRIBUTARIA_PIS (EMPRESA, PIS_CODIGO, PIS_DESCRICAO, PIS_CST, PIS_MODO_CALCULO, PIS_ALIQUOTA_VALOR)
      values (:emp, '7', null, '49', null, 0);
    insert into SITUACAO_TRIBUTARIA_PIS (EMPRESA, PIS_CODIGO) values (:emp, '8');

    insert into SITUACAO_TRIBUTARIA_COFINS (EMPRESA, COFINS_CODIGO, COFINS_DESCRICAO, COFINS_CST, COFINS_MODO_CALCULO, COFINS_ALIQUOTA_VALOR)
      values (:emp, '1', 'COFINS cumulativa 3%', '01', 'P', 3);
    insert into SITUACAO_TRIBUTARIA_COFINS (EMPRESA, COFINS_CODIGO, COFINS_DESCRICAO, COFINS_CST, COFINS_MODO_CALCULO, COFINS_ALIQUOTA_VALOR)
      values (:emp, '2', 'COFINS não cumulativa 7,6%', '01', 'P', 7.6);
    insert into SITUACAO_TRIBUTARIA_COFINS (EMPRESA, COFINS_CODIGO, COFINS_DESCRICAO, COFINS_CST, COFINS_MODO_CALCULO, COFINS_ALIQUOTA_VALOR)
      values (:emp, '3', 'COFINS por unidade de medida', '03', 'V', 0.5471);
    insert into SITUACAO_TRIBUTARIA_COFINS (EMPRESA, COFINS_CODIGO, COFINS_DESCRICAO, COFINS_CST, COFINS_MODO_CALCULO, COFINS_ALIQUOTA_VALOR)
      values (:emp, '4', 'Monofásica - revenda a alíquota zero', '04', 'P', 0);
    insert into SITUACAO_TRIBUTARIA_COFINS (EMPRESA, COFINS_CODIGO, COFINS_DESCRICAO, COFINS_CST, COFINS_MODO_CALCULO, COFINS_ALIQUOTA_VALOR)
      values (:emp, '5', 'Alíquota zero', '06', 'P', 0);
    insert into SITUACAO_TRIBUTARIA_COFINS (EMPRESA, COFINS_CODIGO, COFINS_DESCRICAO, COFINS_CST, COFINS_MODO_CALCULO, COFINS_ALIQUOTA_VALOR)
      values (:emp, '6', 'Isenta da contribuição', '07', 'P', null);
    insert into SITUACAO_TRIBUTARIA_COFINS (EMPRESA, COFINS_CODIGO, COFINS_DESCRICAO, COFINS_CST, COFINS_MODO_CALCULO, COFINS_ALIQUOTA_VALOR)
      values (:emp, '7', null, '49', null, 0);
    insert into SITUACAO_TRIBUTARIA_COFINS (EMPRESA, COFINS_CODIGO) values (:emp, '8');

    n = decode(emp, 4, 12, 180);
    i = 9;
    while (i <= n) do
    begin
      cst = decode(mod(i, 9), 0, '01', 1, '02', 2, '04', 3, '05', 4, '06', 5, '07', 6, '08', 7, '09', '99');
      insert into SITUACAO_TRIBUTARIA_PIS (EMPRESA, PIS_CODIGO, PIS_DESCRICAO, PIS_CST, PIS_MODO_CALCULO, PIS_ALIQUOTA_VALOR)
      values (:emp, :i, 'PIS CST ' || trim(:cst) || ' - regra ' || :i, :cst,
        iif(mod(:i, 8) = 0, 'V', 'P'),
        iif(mod(:i, 13) = 0, null, decode(mod(:i, 4), 0, 0.65, 1, 1.65, 2, 0, 2.1)));
      insert into SITUACAO_TRIBUTARIA_COFINS (EMPRESA, COFINS_CODIGO, COFINS_DESCRICAO, COFINS_CST, COFINS_MODO_CALCULO, COFINS_ALIQUOTA_VALOR)
      values (:emp, :i, 'COFINS CST ' || trim(:cst) || ' - regra ' || :i, :cst,
        iif(mod(:i, 8) = 0, 'V', 'P'),
        iif(mod(:i, 13) = 0, null, decode(mod(:i, 4), 0, 3, 1, 7.6, 2, 0, 9.65)));
      i = i + 1;
    end
  end
end^

/* ---------------------------------------------------------------- */
/* Operações fiscais                                                 */
/* ---------------------------------------------------------------- */
execute block as
  declare emp smallint;
  declare n integer;
  declare i integer;
begin
  for select EMPRESA from EMPRESAS order by EMPRESA into :emp do
  begin
    insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO, OPF_DESCRICAO, DESCRICAO_NOTA, OPERACAO, SERIE,
      TIPO_DOCTO, FINALIDADE_NFE, MENSAGEM, CFOP, CFOP_FORA_ESTADO, CFOP_FORA_NAO_CONTRIBUINTE, IPI_CST,
      ST_CODIGO, PIS_CODIGO, COFINS_CODIGO, INATIVO, EH_OPERACAO_LUMIO)
    values (:emp, '1', 'Venda de mercadoria', 'Venda de mercadoria adquirida de terceiros', 'S', '1',
      '55', '1', 'Documento emitido por ME ou EPP optante pelo Simples Nacional.',
      '5102', '6102', '6108', '53', '1', '2', '2', 'N', 'S');
    insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO, OPF_DESCRICAO, DESCRICAO_NOTA, OPERACAO, SERIE,
      TIPO_DOCTO, FINALIDADE_NFE, MENSAGEM, CFOP, CFOP_FORA_ESTADO, CFOP_FORA_NAO_CONTRIBUINTE, IPI_CST,
      ST_CODIGO, PIS_CODIGO, COFINS_CODIGO, INATIVO, EH_OPERACAO_LUMIO)
    values (:emp, '2', 'Venda ao consumidor (NFC-e)', 'Venda a consumidor final', 'S', '2',
      '65', '1', null, '5102', null, null, null, '1', '1', '1', 'N', 'S');
    insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO, OPF_DESCRICAO, DESCRICAO_NOTA, OPERACAO, SERIE,
      TIPO_DOCTO, FINALIDADE_NFE, MENSAGEM, CFOP, CFOP_FORA_ESTADO, CFOP_FORA_NAO_CONTRIBUINTE, IPI_CST,
      ST_CODIGO, PIS_CODIGO, COFINS_CODIGO, INATIVO, EH_OPERACAO_LUMIO)
    values (:emp, '3', 'Devolução de compra', 'Devolução de compra para comercialização', 'S', '1',
      '55', '4', 'Devolução referente à NF-e nº ', '5202', '6202', '6202', '99', '4', '5', '5', 'N', 'N');
    /* Mensagem com branco no início e quebra de linha no fim. */
    insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO, OPF_DESCRICAO, DESCRICAO_NOTA, OPERACAO, SERIE,
      TIPO_DOCTO, FINALIDADE_NFE, MENSAGEM, CFOP, CFOP_FORA_ESTADO, CFOP_FORA_NAO_CONTRIBUINTE, IPI_CST,
      ST_CODIGO, PIS_CODIGO, COFINS_CODIGO, INATIVO, EH_OPERACAO_LUMIO)
    values (:emp, '4', 'Bonificação', 'Remessa em bonificação, doação ou brinde', 'S', '1',
      '55', '1', ' Bonificação sem valor comercial.' || ascii_char(13) || ascii_char(10),
      '5910', '6910', '6910', '99', '4', '5', '5', 's', 's');
    /* Mensagem só de brancos. */
    insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO, OPF_DESCRICAO, DESCRICAO_NOTA, OPERACAO, SERIE,
      TIPO_DOCTO, FINALIDADE_NFE, MENSAGEM, CFOP, CFOP_FORA_ESTADO, CFOP_FORA_NAO_CONTRIBUINTE, IPI_CST,
      ST_CODIGO, PIS_CODIGO, COFINS_CODIGO, INATIVO, EH_OPERACAO_LUMIO)
    values (:emp, '5', 'Venda com ST', 'Venda de mercadoria sujeita a ST', 'S', '1',
      '55', '1', '    ', '5405', '6404', '6404', '53', '3', '4', '4', 'S', 'S');
    insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO, OPF_DESCRICAO, DESCRICAO_NOTA, OPERACAO, SERIE,
      TIPO_DOCTO, FINALIDADE_NFE, MENSAGEM, CFOP, CFOP_FORA_ESTADO, CFOP_FORA_NAO_CONTRIBUINTE, IPI_CST,
      ST_CODIGO, PIS_CODIGO, COFINS_CODIGO, INATIVO, EH_OPERACAO_LUMIO)
    values (:emp, '6', 'Transferência entre filiais', 'Transferência de mercadoria', 'S', '1',
      '55', '1', 'Transferência entre estabelecimentos' || ascii_char(10) || 'da mesma empresa.',
      '5152', '6152', null, '53', '1', '4', '4', null, null);
    insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO, OPF_DESCRICAO, DESCRICAO_NOTA, OPERACAO, INATIVO, EH_OPERACAO_LUMIO)
    values (:emp, '7', 'Compra para comercialização', 'Compra para comercialização', 'E', 'N', 'N');
    insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO) values (:emp, '8');

    n = decode(emp, 4, 15, 190);
    i = 9;
    while (i <= n) do
    begin
      insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO, OPF_DESCRICAO, DESCRICAO_NOTA, OPERACAO, SERIE,
        TIPO_DOCTO, FINALIDADE_NFE, MENSAGEM, CFOP, CFOP_FORA_ESTADO, CFOP_FORA_NAO_CONTRIBUINTE, IPI_CST,
        ST_CODIGO, PIS_CODIGO, COFINS_CODIGO, INATIVO, EH_OPERACAO_LUMIO)
      values (:emp, :i,
        decode(mod(:i, 6), 0, 'Venda', 1, 'Venda à ordem', 2, 'Remessa para conserto',
               3, 'Devolução de venda', 4, 'Bonificação', 'Amostra grátis') || ' ' || :i,
        decode(mod(:i, 6), 0, 'Venda de mercadoria', 1, 'Venda à ordem', 2, 'Remessa para conserto',
               3, 'Devolução de venda', 4, 'Remessa em bonificação', 'Remessa de amostra grátis'),
        iif(mod(:i, 6) = 3, 'E', 'S'),
        iif(mod(:i, 4) = 0, '2', '1'),
        iif(mod(:i, 8) = 0, '65', '55'),
        iif(mod(:i, 6) = 3, '4', '1'),
        decode(mod(:i, 5), 0, null, 1, 'Operação ' || :i || ' – conforme legislação vigente.',
               2, '  Não incidência do ICMS.  ', 3, 'Linha 1' || ascii_char(10) || 'Linha 2', ''),
        decode(mod(:i, 6), 3, '1202', 2, '5915', 4, '5910', 5, '5911', '5102'),
        decode(mod(:i, 6), 3, '2202', 2, '6915', 4, '6910', 5, '6911', '6102'),
        iif(mod(:i, 7) = 0, null, '6108'),
        decode(mod(:i, 4), 0, '50', 1, '53', 2, '99', null),
        mod(:i, 8) + 1,
        mod(:i, 6) + 1,
        mod(:i, 6) + 1,
        decode(mod(:i, 10), 0, 'S', 5, 's', 3, null, 'N'),
        iif(:i = :n, 'S', decode(mod(:i, 5), 0, 'N', 1, null, 2, 's', 'S')));
      i = i + 1;
    end
  end
end^

set term ; ^

/* Códigos só com dígitos, como no cadastro antigo. */
insert into OPERACOES_FISCAIS (EMPRESA, OPF_CODIGO, OPF_DESCRICAO, DESCRICAO_NOTA, OPERACAO, SERIE,
  TIPO_DOCTO, FINALIDADE_NFE, CFOP, CFOP_FORA_ESTADO, CFOP_FORA_NAO_CONTRIBUINTE, IPI_CST,
  ST_CODIGO, PIS_CODIGO, COFINS_CODIGO, INATIVO, EH_OPERACAO_LUMIO)
select EMPRESA, '5102', 'Venda de mercadoria (cadastro antigo)', 'Venda de mercadoria', 'S', '1',
  '55', '1', '5102', '6102', '6108', '53', '1', '2', '2', 'N', 'S'
  from EMPRESAS where EMPRESA in (1, 2, 3);

set term ^ ;

/* ---------------------------------------------------------------- */
/* NCM / IBPT                                                        */
/* ---------------------------------------------------------------- */
execute block as
  declare emp smallint;
  declare n integer;
  declare i integer;
begin
  for select EMPRESA from EMPRESAS order by EMPRESA into :emp do
  begin
    n = decode(emp, 4, 20, 400);
    i = 1;
    while (i <= n) do
    begin
      /* Códigos de 7 dígitos com zero à esquerda; a chave primária garante que
         não coincidem com os da lista fixa abaixo. */
      insert into NCM_IBPT (EMPRESA, NCM, IBPT_ALIQUOTA_NACIONAL, IBPT_ALIQUOTA_IMPORTACAO,
        IBPT_ALIQUOTA_ESTADUAL, IBPT_ALIQUOTA_MUNICIPAL)
      values (:emp, lpad((:i * 2469 + :emp) * 10 + 9, 8, '0'),
        decode(mod(:i, 5), 0, 13.45, 1, 4.2, 2, 0, 3, 31.45, 15.28),
        decode(mod(:i, 4), 0, 17.82, 1, 20.12, 2, 0, 24.3),
        decode(mod(:i, 3), 0, 18, 1, 12, 17),
        iif(mod(:i, 7) = 0, null, iif(mod(:i, 10) = 0, 2, 0)));
      i = i + 1;
    end
  end
end^

set term ; ^

/* NCMs dos produtos; '0101' (posição de 4 dígitos) começa com zero. */
insert into NCM_IBPT (EMPRESA, NCM, IBPT_ALIQUOTA_NACIONAL, IBPT_ALIQUOTA_IMPORTACAO, IBPT_ALIQUOTA_ESTADUAL, IBPT_ALIQUOTA_MUNICIPAL)
select EMPRESA, '0101', 13.45, 4.2, 0, null from EMPRESAS;
insert into NCM_IBPT (EMPRESA, NCM, IBPT_ALIQUOTA_NACIONAL, IBPT_ALIQUOTA_IMPORTACAO, IBPT_ALIQUOTA_ESTADUAL, IBPT_ALIQUOTA_MUNICIPAL)
select EMPRESA, '10063021', 7.85, 13.2, 12, 0 from EMPRESAS;
insert into NCM_IBPT (EMPRESA, NCM, IBPT_ALIQUOTA_NACIONAL, IBPT_ALIQUOTA_IMPORTACAO, IBPT_ALIQUOTA_ESTADUAL, IBPT_ALIQUOTA_MUNICIPAL)
select EMPRESA, '07133319', 7.85, 13.2, 12, 0 from EMPRESAS;
insert into NCM_IBPT (EMPRESA, NCM, IBPT_ALIQUOTA_NACIONAL, IBPT_ALIQUOTA_IMPORTACAO, IBPT_ALIQUOTA_ESTADUAL, IBPT_ALIQUOTA_MUNICIPAL)
select EMPRESA, '17019900', 13.45, 17.82, 18, 0 from EMPRESAS;
insert into NCM_IBPT (EMPRESA, NCM, IBPT_ALIQUOTA_NACIONAL, IBPT_ALIQUOTA_IMPORTACAO, IBPT_ALIQUOTA_ESTADUAL, IBPT_ALIQUOTA_MUNICIPAL)
select EMPRESA, '09012100', 13.45, 17.82, 18, 0 from EMPRESAS;
insert into NCM_IBPT (EMPRESA, NCM, IBPT_ALIQUOTA_NACIONAL, IBPT_ALIQUOTA_IMPORTACAO, IBPT_ALIQUOTA_ESTADUAL, IBPT_ALIQUOTA_MUNICIPAL)
select EMPRESA, '15079011', 13.45, 17.82, 12, 0 from EMPRESAS;
insert into NCM_IBPT (EMPRESA, NCM, IBPT_ALIQUOTA_NACIONAL, IBPT_ALIQUOTA_IMPORTACAO, IBPT_ALIQUOTA_ESTADUAL, IBPT_ALIQUOTA_MUNICIPAL)
select EMPRESA, '19021900', 13.45, 17.82, 18, 0 from EMPRESAS;
insert into NCM_IBPT (EMPRESA, NCM, IBPT_ALIQUOTA_NACIONAL, IBPT_ALIQUOTA_IMPORTACAO, IBPT_ALIQUOTA_ESTADUAL, IBPT_ALIQUOTA_MUNICIPAL)
select EMPRESA, '04012010', 4.2, 4.2, 0, 0 from EMPRESAS;
insert into NCM_IBPT (EMPRESA, NCM, IBPT_ALIQUOTA_NACIONAL, IBPT_ALIQUOTA_IMPORTACAO, IBPT_ALIQUOTA_ESTADUAL, IBPT_ALIQUOTA_MUNICIPAL)
select EMPRESA, '34022000', 31.45, 37.23, 18, 0 from EMPRESAS;
insert into NCM_IBPT (EMPRESA, NCM, IBPT_ALIQUOTA_NACIONAL, IBPT_ALIQUOTA_IMPORTACAO, IBPT_ALIQUOTA_ESTADUAL, IBPT_ALIQUOTA_MUNICIPAL)
select EMPRESA, '08081000', 0, 0, 0, 0 from EMPRESAS;

set term ^ ;

/* ---------------------------------------------------------------- */
/* Produtos e unidades comerciais                                    */
/* ---------------------------------------------------------------- */
execute block as
  declare emp smallint;
  declare n integer;
  declare i integer;
  declare k smallint;
  declare unidade varchar(6);
  declare barras varchar(14);
begin
  for select EMPRESA from EMPRESAS order by EMPRESA into :emp do
  begin
    n = decode(emp, 1, 540, 2, 300, 3, 260, 10);
    i = 1;
    while (i <= n) do
    begin
      k = mod(i, 10);
      unidade = decode(mod(i, 5), 0, 'UN', 1, 'KG', 2, 'CX', 3, 'PC', 'LT');
      barras = iif(mod(i, 8) = 0, null, '789' || lpad(:emp * 1000000 + :i * 37, 10, '0'));
      insert into PRODUTOS (EMPRESA, PRO_CODIGO, PRO_DESCRICAO, UNIDADE, INATIVO, ESTOQUE_DISPONIVEL,
        PRECO_VENDA, DESCTO_MAXIMO, CODIGO_BARRAS, UNIDADE_TRIBUTAVEL, CODIGO_BARRAS_TRIBUTAVEL, TIPO,
        NCM, CEST, COMERCIALIZAVEL, ST_CODIGO, PIS_CODIGO, COFINS_CODIGO)
      values (:emp, :i,
        decode(:k, 0, 'Arroz Tipo 1 5kg', 1, 'Feijão Carioca 1kg', 2, 'Açúcar Cristal 2kg',
               3, 'Café Torrado e Moído 500g', 4, 'Óleo de Soja 900ml', 5, 'Macarrão Espaguete 500g',
               6, 'Leite Integral 1L', 7, 'Sabão em Pó 1kg', 8, 'Maçã Fuji kg', 'Pão de Queijo Congelado 1kg')
          || ' ' || decode(mod(:i / 10, 5), 0, 'Boa Safra', 1, 'Sabor do Sítio', 2, 'Estrela do Sul',
                           3, 'Vale Verde', 'Três Irmãos')
          || ' nº ' || :i,
        :unidade,
        decode(mod(:i, 25), 0, 'S', 5, 's', 10, null, 'N'),
        iif(mod(:i, 23) = 0, null, iif(mod(:i, 97) = 0, -2.5, mod(:i * 13, 1000) + mod(:i, 4) * 0.25)),
        (mod(:i * 271, 50000) + 99) / 100.00,
        decode(mod(:i, 4), 0, null, 1, 5, 2, 10, 12.5),
        :barras,
        iif(mod(:i, 12) = 0, null, :unidade),
        iif(:barras is null, 'SEM GTIN', :barras),
        decode(mod(:i, 10), 0, '04', 1, '07', '00'),
        iif(mod(:i, 31) = 0, null, iif(mod(:i, 37) = 0, '',
          decode(:k, 0, '10063021', 1, '07133319', 2, '17019900', 3, '09012100', 4, '15079011',
                 5, '19021900', 6, '04012010', 7, '34022000', 8, '08081000', '0101'))),
        iif(mod(:i, 3) = 0, decode(mod(:i, 2), 0, '0300100', '1700100'), null),
        decode(mod(:i, 9), 0, null, 1, 'N', 2, 's', 'S'),
        iif(mod(:i, 19) = 0, null, mod(:i, 8) + 1),
        iif(mod(:i, 19) = 0, null, mod(:i, 6) + 1),
        iif(mod(:i, 19) = 0, null, mod(:i, 6) + 1));
      i = i + 1;
    end
  end
end^

set term ; ^

/* Produtos dos casos particulares, nas empresas 1, 2 e 3. */
insert into PRODUTOS (EMPRESA, PRO_CODIGO, PRO_DESCRICAO, UNIDADE, INATIVO, ESTOQUE_DISPONIVEL,
  PRECO_VENDA, DESCTO_MAXIMO, CODIGO_BARRAS, UNIDADE_TRIBUTAVEL, CODIGO_BARRAS_TRIBUTAVEL, TIPO,
  NCM, CEST, COMERCIALIZAVEL, ST_CODIGO, PIS_CODIGO, COFINS_CODIGO)
select EMPRESA, 9001, 'Cavalo reprodutor (NCM de posição)', 'UN', 'N', 10, 9.9, 0, '7891234567895',
  'UN', '7891234567895', '00', '0101', null, 'S', '5', '1', '1'
  from EMPRESAS where EMPRESA in (1, 2, 3);
insert into PRODUTOS (EMPRESA, PRO_CODIGO, PRO_DESCRICAO, UNIDADE, INATIVO, ESTOQUE_DISPONIVEL,
  PRECO_VENDA, NCM, COMERCIALIZAVEL)
select EMPRESA, 9002, 'Queijo Minas Frescal kg – sem NCM', 'KG', 's', 12.5, 33.33, '', null
  from EMPRESAS where EMPRESA in (1, 2, 3);
insert into PRODUTOS (EMPRESA, PRO_CODIGO) select EMPRESA, 9003 from EMPRESAS where EMPRESA in (1, 2, 3);

set term ^ ;

/* Cada produto vende em UN; alguns também em caixa de 12 e fardo. */
execute block as
  declare emp smallint;
  declare pro integer;
  declare preco numeric(15,2);
begin
  for select EMPRESA, PRO_CODIGO, PRECO_VENDA from PRODUTOS
       where PRO_CODIGO < 9000
       order by EMPRESA, PRO_CODIGO
      into :emp, :pro, :preco do
  begin
    insert into PRODUTOS_UNIDADES_COMERCIAIS (EMPRESA, PRO_CODIGO, UNIDADE, FATOR, CODIGO_BARRAS,
      PRECO, PRECO_ANTERIOR, VENDER_EM_MULTIPLOS_DE, PADRAO, ATIVO)
    values (:emp, :pro, 'UN', 1, '789' || lpad(:emp * 1000000 + :pro * 37, 10, '0'), :preco,
      iif(mod(:pro, 2) = 0, null, cast(:preco * 1.1 as numeric(15,2))), 1, 'S',
      decode(mod(:pro, 12), 0, 's', 5, 'N', 7, null, 'S'));
    if (mod(pro, 3) = 0) then
      insert into PRODUTOS_UNIDADES_COMERCIAIS (EMPRESA, PRO_CODIGO, UNIDADE, FATOR, CODIGO_BARRAS,
        PRECO, PRECO_ANTERIOR, VENDER_EM_MULTIPLOS_DE, PADRAO, ATIVO)
      values (:emp, :pro, 'CX', 12, iif(mod(:pro, 4) = 0, null, '1789' || lpad(:emp * 100000 + :pro, 9, '0')),
        cast(:preco * 12 * 0.95 as numeric(15,2)), null, 12, 'N', decode(mod(:pro, 4), 0, 'S', 1, 's', 2, null, 'N'));
    if (mod(pro, 10) = 0) then
      insert into PRODUTOS_UNIDADES_COMERCIAIS (EMPRESA, PRO_CODIGO, UNIDADE, FATOR, CODIGO_BARRAS,
        PRECO, PRECO_ANTERIOR, VENDER_EM_MULTIPLOS_DE, PADRAO, ATIVO)
      values (:emp, :pro, 'FD', 6.5, null, cast(:preco * 6.5 as numeric(15,2)), cast(:preco * 6.8 as numeric(15,2)), 0.5, null, 'S');
  end
end^

set term ; ^

/* Preço 9,90, fator 12, preço anterior nulo; unidade inativa e unidade
   com tudo nulo. */
insert into PRODUTOS_UNIDADES_COMERCIAIS (EMPRESA, PRO_CODIGO, UNIDADE, FATOR, CODIGO_BARRAS,
  PRECO, PRECO_ANTERIOR, VENDER_EM_MULTIPLOS_DE, PADRAO, ATIVO)
select EMPRESA, 9001, 'UN', 1, '7891234567895', 9.9, null, 1, 'S', 'S' from EMPRESAS where EMPRESA in (1, 2, 3);
insert into PRODUTOS_UNIDADES_COMERCIAIS (EMPRESA, PRO_CODIGO, UNIDADE, FATOR, CODIGO_BARRAS,
  PRECO, PRECO_ANTERIOR, VENDER_EM_MULTIPLOS_DE, PADRAO, ATIVO)
select EMPRESA, 9001, 'CX', 12, null, 112.86, 118.8, 12, 'n', 's' from EMPRESAS where EMPRESA in (1, 2, 3);
insert into PRODUTOS_UNIDADES_COMERCIAIS (EMPRESA, PRO_CODIGO, UNIDADE, PADRAO, ATIVO)
select EMPRESA, 9002, 'KG', 's', 'N' from EMPRESAS where EMPRESA in (1, 2, 3);
insert into PRODUTOS_UNIDADES_COMERCIAIS (EMPRESA, PRO_CODIGO, UNIDADE)
select EMPRESA, 9003, 'UN' from EMPRESAS where EMPRESA in (1, 2, 3);

set term ^ ;

/* ---------------------------------------------------------------- */
/* Contas a receber                                                  */
/* ---------------------------------------------------------------- */
execute block as
  declare emp smallint;
  declare n integer;
  declare ncli integer;
  declare i integer;
  declare venc date;
  declare valor numeric(15,2);
  declare juro numeric(15,2);
  declare pago smallint;
begin
  for select EMPRESA from EMPRESAS order by EMPRESA into :emp do
  begin
    n = decode(emp, 1, 900, 2, 600, 3, 200, 20);
    ncli = decode(emp, 1, 620, 2, 350, 3, 300, 20);
    i = 1;
    while (i <= n) do
    begin
      /* De uns seis anos atrás até dois meses à frente. */
      venc = current_date + 60 - mod(i * 11, 2200);
      valor = (mod(i * 7349, 500000) + 1000) / 100.00;
      pago = iif(venc < current_date and mod(i, 4) <> 0, 1, 0);
      juro = decode(mod(i, 5), 0, -valor * 0.02, 1, valor * 0.01, 0);
      insert into CONTAS_RECEBER (EMPRESA, LANCTO, TITULO, PARCELA, TT_CODIGO, CLI_CODIGO, EMISSAO,
        VALOR, VENCIMENTO, VALOR_PAGO, DATA_PAGTO, JURO_DESCTO_COBRADO, STATUS)
      values (:emp, :i, 1000 + (:i + 2) / 3, mod(:i + 2, 3) + 1,
        decode(mod(:i, 4), 0, 'DP', 1, 'BOL', 2, 'CH', 'NP'),
        mod(:i * 7, :ncli) + 1,
        :venc - 30 * (mod(:i + 2, 3) + 1),
        :valor,
        :venc,
        iif(:pago = 1, :valor + :juro, null),
        iif(:pago = 1, :venc + mod(:i, 9) - 3, null),
        iif(:pago = 1, :juro, null),
        iif(:pago = 1, 2, iif(mod(:i, 31) = 0, 3, 1)));
      i = i + 1;
    end
  end
end^

set term ; ^

/* Títulos dos casos particulares, nas empresas 1 e 2 (as da Quenda).
   A primeira carga só envia o que vence de 1º de janeiro de três anos
   atrás em diante ou o que está em aberto. */
insert into CONTAS_RECEBER (EMPRESA, LANCTO, TITULO, PARCELA, TT_CODIGO, CLI_CODIGO, EMISSAO, VALOR,
  VENCIMENTO, VALOR_PAGO, DATA_PAGTO, JURO_DESCTO_COBRADO, STATUS)
select EMPRESA, 90001, 90001, 1, 'DP', 1,
  dateadd(-4 year to dateadd(-extract(yearday from current_date) - 40 day to current_date)), 150,
  dateadd(-3 year to dateadd(-extract(yearday from current_date) - 1 day to current_date)),
  150, dateadd(-3 year to dateadd(-extract(yearday from current_date) day to current_date)), 0, 2
  from EMPRESAS where EMPRESA in (1, 2);
/* Vencido antes da janela e nunca pago: vai na primeira carga. */
insert into CONTAS_RECEBER (EMPRESA, LANCTO, TITULO, PARCELA, TT_CODIGO, CLI_CODIGO, EMISSAO, VALOR,
  VENCIMENTO, VALOR_PAGO, DATA_PAGTO, JURO_DESCTO_COBRADO, STATUS)
select EMPRESA, 90002, 90002, 1, 'DP', 2,
  dateadd(-4 year to dateadd(-extract(yearday from current_date) - 40 day to current_date)), 275.5,
  dateadd(-3 year to dateadd(-extract(yearday from current_date) - 1 day to current_date)),
  null, null, null, 1
  from EMPRESAS where EMPRESA in (1, 2);
/* Vence no primeiro dia da janela, pago. */
insert into CONTAS_RECEBER (EMPRESA, LANCTO, TITULO, PARCELA, TT_CODIGO, CLI_CODIGO, EMISSAO, VALOR,
  VENCIMENTO, VALOR_PAGO, DATA_PAGTO, JURO_DESCTO_COBRADO, STATUS)
select EMPRESA, 90003, 90003, 1, 'BOL', 3,
  dateadd(-3 year to dateadd(-extract(yearday from current_date) - 30 day to current_date)), 1234.56,
  dateadd(-3 year to dateadd(-extract(yearday from current_date) day to current_date)),
  1246.9, dateadd(-3 year to dateadd(-extract(yearday from current_date) + 10 day to current_date)),
  12.34, 2
  from EMPRESAS where EMPRESA in (1, 2);
/* Cliente que não existe mais no cadastro, e título sem cliente. */
insert into CONTAS_RECEBER (EMPRESA, LANCTO, TITULO, PARCELA, TT_CODIGO, CLI_CODIGO, EMISSAO, VALOR,
  VENCIMENTO, STATUS)
select EMPRESA, 90004, 90004, 1, 'DP', 8888, current_date - 20, 99.9, current_date + 10, 1
  from EMPRESAS where EMPRESA in (1, 2);
insert into CONTAS_RECEBER (EMPRESA, LANCTO, TITULO, PARCELA, TT_CODIGO, CLI_CODIGO, EMISSAO, VALOR,
  VENCIMENTO, STATUS)
select EMPRESA, 90005, 90005, 1, 'DP', null, current_date - 20, 45, current_date + 10, 1
  from EMPRESAS where EMPRESA in (1, 2);
/* Tipos de título com barra invertida. */
insert into CONTAS_RECEBER (EMPRESA, LANCTO, TITULO, PARCELA, TT_CODIGO, CLI_CODIGO, EMISSAO, VALOR,
  VENCIMENTO, VALOR_PAGO, DATA_PAGTO, JURO_DESCTO_COBRADO, STATUS)
select EMPRESA, 90006, 90006, 2, 'CH\PRE', 9001, current_date - 45, 500, current_date - 15,
  510, current_date - 10, 10, 2
  from EMPRESAS where EMPRESA in (1, 2);
insert into CONTAS_RECEBER (EMPRESA, LANCTO, TITULO, PARCELA, TT_CODIGO, CLI_CODIGO, EMISSAO, VALOR,
  VENCIMENTO, STATUS)
select EMPRESA, 90007, 90007, 1, '\\BOL\', 9006, current_date - 5, 80.1, current_date + 25, 1
  from EMPRESAS where EMPRESA in (1, 2);
/* Tudo o que pode ser nulo é nulo (o cliente 9005 existe). */
insert into CONTAS_RECEBER (EMPRESA, LANCTO, CLI_CODIGO)
select EMPRESA, 90008, 9005 from EMPRESAS where EMPRESA in (1, 2);

set term ^ ;

/* ---------------------------------------------------------------- */
/* Notas fiscais de saída (vendas)                                   */
/* ---------------------------------------------------------------- */
execute block as
  declare emp smallint;
  declare n integer;
  declare ncli integer;
  declare i integer;
begin
  for select EMPRESA from EMPRESAS order by EMPRESA into :emp do
  begin
    n = decode(emp, 1, 700, 2, 450, 3, 150, 10);
    ncli = decode(emp, 1, 620, 2, 350, 3, 300, 20);
    i = 1;
    while (i <= n) do
    begin
      insert into NF_SAIDA (EMPRESA, NFS, OPF_CODIGO, CP_CODIGO, CLI_CODIGO, DT_EMISSAO, TOTAL_NOTA, STATUS)
      values (:emp, 100000 + :i,
        decode(mod(:i, 6), 0, '2', 1, '5', 2, '5102', '1'),
        iif(mod(:i, 15) = 0, null, mod(:i, 7) + 1),
        mod(:i * 3, :ncli) + 1,
        current_date - mod(:i * 7, 1800),
        (mod(:i * 9173, 2000000) + 500) / 100.00,
        decode(mod(:i, 10), 0, 1, 1, 3, 2));
      i = i + 1;
    end
  end
end^

set term ; ^

/* Notas dos casos particulares, nas empresas 1 e 2. */
insert into NF_SAIDA (EMPRESA, NFS, OPF_CODIGO, CP_CODIGO, CLI_CODIGO, DT_EMISSAO, TOTAL_NOTA, STATUS)
select EMPRESA, 190001, '1', null, 9001, current_date - 2, 150, 2 from EMPRESAS where EMPRESA in (1, 2);
insert into NF_SAIDA (EMPRESA, NFS, OPF_CODIGO, CP_CODIGO, CLI_CODIGO, DT_EMISSAO, TOTAL_NOTA, STATUS)
select EMPRESA, 190002, '1', 3, 9001, current_date - 2, 320.75, 1 from EMPRESAS where EMPRESA in (1, 2);
/* Emitida antes da janela da primeira carga. */
insert into NF_SAIDA (EMPRESA, NFS, OPF_CODIGO, CP_CODIGO, CLI_CODIGO, DT_EMISSAO, TOTAL_NOTA, STATUS)
select EMPRESA, 190003, '1', 2, 9003,
  dateadd(-3 year to dateadd(-extract(yearday from current_date) - 1 day to current_date)), 89.9, 2
  from EMPRESAS where EMPRESA in (1, 2);
/* Sem data de emissão, sem operação e sem total: fica fora da janela da
   primeira carga e abaixo da marca que ela deixa, então só vai à nuvem
   quando for alterada. */
insert into NF_SAIDA (EMPRESA, NFS, CP_CODIGO, STATUS)
select EMPRESA, 190005, 1, 2 from EMPRESAS where EMPRESA in (1, 2);
insert into NF_SAIDA (EMPRESA, NFS, OPF_CODIGO, CP_CODIGO, CLI_CODIGO, DT_EMISSAO, TOTAL_NOTA, STATUS)
select EMPRESA, 190004, '5102', 1, 9006, current_date - 1, 12.5, 2 from EMPRESAS where EMPRESA in (1, 2);
/* Digitada por último e ainda não emitida: o maior COD_ATUALIZACAO da
   empresa, que a Quenda só recebe quando a nota for emitida. */
insert into NF_SAIDA (EMPRESA, NFS, OPF_CODIGO, CP_CODIGO, CLI_CODIGO, DT_EMISSAO, TOTAL_NOTA, STATUS)
select EMPRESA, 190099, '1', 3, 9001, current_date, 999.99, 1 from EMPRESAS where EMPRESA in (1, 2);

commit;
